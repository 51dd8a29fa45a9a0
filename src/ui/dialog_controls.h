// Small helpers over the controls of our dialogs.
#pragma once

#include <windows.h>

#include <string>

// A trackbar position, and setting one with redraw.
int SliderPosition(HWND dialog, int id);
void SetSliderPosition(HWND dialog, int id, int position);
void SetSliderRange(HWND dialog, int id, int maximum, int line, int page);
void SetControlText(HWND dialog, int id, const std::u16string& text);

// Replaces the caption and every control's text by its translation; names and numbers stay.
void TranslateDialogTexts(HWND dialog);
