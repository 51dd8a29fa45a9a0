// The tint picker: colour square, hue strip, hex box, red/green/blue sliders, presets and the
// tint amount. It edits the settings dialog's working tint and commits through that dialog.
#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "base/callback_guard.h"
#include "base/debug_line.h"
#include "base/plugin_state.h"
#include "frame/memory_bitmap.h"
#include "ui/colour_model.h"
#include "ui/dialog_controls.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_text.h"
#include "ui/secondary_dialogs.h"
#include "ui/settings_commit.h"

namespace {

struct PickerArea {
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    double hue = -1.0; // negative: nothing cached
};

struct TintPickerState {
    HWND owner = nullptr;
    SettingsDialogState* settings = nullptr;
    uint32_t colour = kDefaultTintRgb;
    Hsv hsv;
    PickerArea square;
    PickerArea strip;
    bool updating = false;
};

constexpr COLORREF kPresetColours[] = {0xFFA060, 0x6080FF, 0x5ACCFF, 0xAAC97F,
                                       0xFF88B3, 0xA470F0, 0xE6E6E6, 0x606060};
constexpr COLORREF kMarkerDark = RGB(20, 20, 20);

TintPickerState* PickerOf(HWND dialog) {
    return reinterpret_cast<TintPickerState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

uint32_t Byte(uint32_t colour, int shift) {
    return (colour >> shift) & 0xFF;
}

void RedrawNow(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (control != nullptr) {
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW);
    }
}

void SyncPickerControls(HWND dialog, TintPickerState& picker, bool update_hex) {
    picker.updating = true;
    const int sliders[] = {kRedSlider, kGreenSlider, kBlueSlider};
    const int labels[] = {kRedLabel, kGreenLabel, kBlueLabel};
    for (int i = 0; i < 3; ++i) {
        uint32_t channel = Byte(picker.colour, 8 * i);
        SetSliderPosition(dialog, sliders[i], static_cast<int>(channel));
        SetDlgItemInt(dialog, labels[i], channel, FALSE);
    }
    double amount = picker.settings->tint_amount;
    SetSliderPosition(dialog, kAmountSlider, static_cast<int>(std::lround(amount * 1000.0)));
    SetControlText(dialog, kAmountLabel, FractionPercentText(amount));
    if (update_hex) {
        SetControlText(dialog, kHexEdit, HexColourText(picker.colour));
    }
    HWND swatch = GetDlgItem(dialog, kPickedSwatch);
    if (swatch != nullptr) {
        InvalidateRect(swatch, nullptr, FALSE);
    }
    RedrawNow(dialog, kColourSquare);
    RedrawNow(dialog, kHueStrip);
    picker.updating = false;
}

void SetPickerColour(HWND dialog, TintPickerState& picker, uint32_t colour, bool update_hex,
                     bool recompute_hsv) {
    uint32_t previous = picker.colour;
    picker.colour = colour;
    if (recompute_hsv) {
        RgbToHsv(colour, picker.hsv);
    }
    SettingsDialogState& settings = *picker.settings;
    if (colour != previous) {
        settings.tint_colour = colour;
        // Picking a colour while the tint is off means the user wants to see it.
        if (settings.tint_amount == 0.0) {
            settings.tint_amount = 0.4;
        }
    }
    SyncPickerControls(dialog, picker, update_hex);
    if (colour == previous) {
        return;
    }
    UpdateTintLabel(picker.owner, settings);
    RefreshPreviewTint(picker.owner, settings);
    ScheduleCommit(picker.owner, settings);
}

void PickFromPoint(HWND control, LPARAM position) {
    HWND dialog = GetParent(control);
    TintPickerState* picker = PickerOf(dialog);
    RECT client = {};
    if (picker == nullptr || !GetClientRect(control, &client) || client.right <= 1 ||
        client.bottom <= 1) {
        return;
    }
    int w = client.right;
    int h = client.bottom;
    int y = std::min(std::max(static_cast<int>(static_cast<short>(HIWORD(position))), 0), h - 1);
    if (GetDlgCtrlID(control) == kColourSquare) {
        int x =
            std::min(std::max(static_cast<int>(static_cast<short>(LOWORD(position))), 0), w - 1);
        picker->hsv.saturation = static_cast<double>(x) / (w - 1);
        picker->hsv.value = 1.0 - static_cast<double>(y) / (h - 1);
    } else {
        picker->hsv.hue = y * 359.0 / (h - 1);
    }
    uint32_t colour = HsvToRgb(picker->hsv.hue, picker->hsv.saturation, picker->hsv.value);
    SetPickerColour(dialog, *picker, colour, true, false);
}

LRESULT CALLBACK AreaProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                          DWORD_PTR) {
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, IDC_CROSS));
        return TRUE;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: // the static class has CS_DBLCLKS: a quick second click comes so
        SetCapture(control);
        RunGuarded([&] { PickFromPoint(control, lparam); });
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == control && (wparam & MK_LBUTTON) != 0) {
            RunGuarded([&] { PickFromPoint(control, lparam); });
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (GetCapture() == control) {
            RunGuarded([&] {
                PickFromPoint(control, lparam);
                ReleaseCapture();
                TintPickerState* picker = PickerOf(GetParent(control));
                if (picker != nullptr) {
                    CommitDialogSettings(picker->owner, *picker->settings, false);
                }
            });
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(control, AreaProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(control, message, wparam, lparam);
}

bool PrepareArea(PickerArea& area, int w, int h, double hue, bool is_strip) {
    if (w <= 1 || h <= 1) {
        return false;
    }
    if (area.width != w || area.height != h) {
        area.pixels.clear();
        area.width = w;
        area.height = h;
        area.hue = -1.0;
    }
    if (area.hue < 0.0 || (!is_strip && area.hue != hue)) {
        try {
            area.pixels = is_strip ? RenderHueStrip(w, h) : RenderColourSquare(w, h, hue);
        } catch (const std::bad_alloc&) {
            area.pixels.clear();
            area.hue = -1.0;
            return false;
        }
        area.hue = hue;
    }
    return area.pixels.size() == static_cast<size_t>(w) * h;
}

void DrawMarker(HDC dc, const RECT& rect, const TintPickerState& picker, bool is_strip) {
    HPEN dark = CreatePen(PS_SOLID, 2, kMarkerDark);
    HPEN light = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    if (dark != nullptr && light != nullptr) {
        HGDIOBJ previous_pen = SelectObject(dc, dark);
        HGDIOBJ previous_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        int w = rect.right - rect.left;
        int h = rect.bottom - rect.top;
        if (is_strip) {
            int y = rect.top + HueStripMarkerY(h, picker.hsv.hue);
            MoveToEx(dc, rect.left, y, nullptr);
            LineTo(dc, rect.right, y);
            SelectObject(dc, light);
            int white_y = std::min(static_cast<int>(rect.bottom) - 1, y + 2);
            MoveToEx(dc, rect.left, white_y, nullptr);
            LineTo(dc, rect.right, white_y);
        } else {
            int x = rect.left + SquareMarkerX(w, picker.hsv.saturation);
            int y = rect.top + SquareMarkerY(h, picker.hsv.value);
            Ellipse(dc, x - 7, y - 7, x + 8, y + 8);
            SelectObject(dc, light);
            Ellipse(dc, x - 5, y - 5, x + 6, y + 6);
        }
        SelectObject(dc, previous_brush);
        SelectObject(dc, previous_pen);
    }
    if (dark != nullptr) {
        DeleteObject(dark);
    }
    if (light != nullptr) {
        DeleteObject(light);
    }
}

void DrawPickerArea(const DRAWITEMSTRUCT& item, TintPickerState& picker, bool is_strip) {
    const RECT& rect = item.rcItem;
    int w = rect.right - rect.left;
    int h = rect.bottom - rect.top;
    PickerArea& area = is_strip ? picker.strip : picker.square;
    if (!PrepareArea(area, w, h, picker.hsv.hue, is_strip)) {
        return;
    }
    const BITMAPINFO info = TopDownDibInfo(w, h);
    StretchDIBits(item.hDC, rect.left, rect.top, w, h, 0, 0, w, h, area.pixels.data(), &info,
                  DIB_RGB_COLORS, SRCCOPY);
    DrawMarker(item.hDC, rect, picker, is_strip);
    FrameRect(item.hDC, &rect, GetSysColorBrush(COLOR_WINDOWFRAME));
}

void DrawColourButton(const DRAWITEMSTRUCT& item, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush != nullptr) {
        FillRect(item.hDC, &item.rcItem, brush);
        DeleteObject(brush);
    }
    FrameRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_WINDOWFRAME));
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item.hDC, &focus);
    }
}

INT_PTR OnDrawItem(TintPickerState& picker, const DRAWITEMSTRUCT& item) {
    int id = static_cast<int>(item.CtlID);
    if (id == kColourSquare || id == kHueStrip) {
        DrawPickerArea(item, picker, id == kHueStrip);
    } else if (id >= kFirstPreset && id <= kLastPreset) {
        DrawColourButton(item, kPresetColours[id - kFirstPreset]);
    } else if (id == kPickedSwatch) {
        DrawColourButton(item, picker.colour);
    } else {
        return FALSE;
    }
    return TRUE;
}

bool IsFinalPosition(int code) {
    return code == TB_THUMBPOSITION || code == TB_ENDTRACK;
}

INT_PTR OnScroll(HWND dialog, TintPickerState& picker, HWND slider, int code) {
    int id = GetDlgCtrlID(slider);
    SettingsDialogState& settings = *picker.settings;
    if (id == kAmountSlider) {
        if (picker.updating) {
            return TRUE;
        }
        settings.tint_amount = SliderPosition(dialog, kAmountSlider) / 1000.0;
        SetControlText(dialog, kAmountLabel, FractionPercentText(settings.tint_amount));
        UpdateTintLabel(picker.owner, settings);
        RefreshPreviewTint(picker.owner, settings);
        if (IsFinalPosition(code)) {
            CommitDialogSettings(picker.owner, settings, false);
        } else {
            ScheduleCommit(picker.owner, settings);
        }
        return TRUE;
    }
    if (id == kRedSlider || id == kGreenSlider || id == kBlueSlider) {
        if (picker.updating) {
            return TRUE;
        }
        uint32_t red = static_cast<uint32_t>(SliderPosition(dialog, kRedSlider)) & 0xFF;
        uint32_t green = static_cast<uint32_t>(SliderPosition(dialog, kGreenSlider)) & 0xFF;
        uint32_t blue = static_cast<uint32_t>(SliderPosition(dialog, kBlueSlider)) & 0xFF;
        SetPickerColour(dialog, picker, red | (green << 8) | (blue << 16), true, true);
        if (IsFinalPosition(code)) {
            CommitDialogSettings(picker.owner, settings, false);
        }
        return TRUE;
    }
    return FALSE;
}

std::optional<uint32_t> ParseHexBox(HWND dialog) {
    wchar_t text[9] = {};
    GetDlgItemTextW(dialog, kHexEdit, text, 9);
    return ParseHexField(reinterpret_cast<const char16_t*>(text));
}

void ResetTint(HWND dialog, TintPickerState& picker) {
    SettingsDialogState& settings = *picker.settings;
    picker.colour = kDefaultTintRgb;
    RgbToHsv(picker.colour, picker.hsv);
    settings.tint_colour = kDefaultTintRgb;
    settings.tint_amount = 0.0;
    SyncPickerControls(dialog, picker, true);
    UpdateTintLabel(picker.owner, settings);
    RefreshPreviewTint(picker.owner, settings);
    CommitDialogSettings(picker.owner, settings, false);
}

INT_PTR OnCommand(HWND dialog, TintPickerState& picker, int id, int code) {
    if (id == kResetTint && code == BN_CLICKED) {
        ResetTint(dialog, picker);
        return TRUE;
    }
    if (id >= kFirstPreset && id <= kLastPreset) {
        if (code == BN_CLICKED) {
            SetPickerColour(dialog, picker, kPresetColours[id - kFirstPreset], true, true);
        }
        return TRUE;
    }
    if (id == kHexEdit) {
        if (picker.updating) {
            return FALSE;
        }
        if (code == EN_CHANGE) {
            if (std::optional<uint32_t> colour = ParseHexBox(dialog)) {
                SetPickerColour(dialog, picker, *colour, false, true);
            }
            return TRUE;
        }
        if (code == EN_KILLFOCUS) {
            SyncPickerControls(dialog, picker, true);
            return TRUE;
        }
        return FALSE;
    }
    if (id == kCloseButton) {
        CommitDialogSettings(picker.owner, *picker.settings, false);
        EndDialog(dialog, kCloseButton);
        return TRUE;
    }
    return FALSE;
}

void Initialise(HWND dialog, TintPickerState& picker) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&picker));
    TranslateDialogTexts(dialog);
    SetSliderRange(dialog, kRedSlider, 255, 1, 16);
    SetSliderRange(dialog, kGreenSlider, 255, 1, 16);
    SetSliderRange(dialog, kBlueSlider, 255, 1, 16);
    SetSliderRange(dialog, kAmountSlider, 1000, 10, 100);
    SendDlgItemMessageW(dialog, kHexEdit, EM_LIMITTEXT, 7, 0);
    RgbToHsv(picker.colour, picker.hsv);
    for (int id : {kColourSquare, kHueStrip}) {
        HWND area = GetDlgItem(dialog, id);
        if (area != nullptr) {
            SetWindowSubclass(area, AreaProc, static_cast<UINT_PTR>(id), 0);
        }
    }
    SyncPickerControls(dialog, picker, true);
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        Initialise(dialog, *reinterpret_cast<TintPickerState*>(lparam));
        return TRUE;
    }
    TintPickerState* picker = PickerOf(dialog);
    if (picker == nullptr) {
        return FALSE;
    }
    switch (message) {
    case WM_DRAWITEM:
        return OnDrawItem(*picker, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    case WM_HSCROLL:
        return OnScroll(dialog, *picker, reinterpret_cast<HWND>(lparam), LOWORD(wparam));
    case WM_COMMAND:
        return OnCommand(dialog, *picker, LOWORD(wparam), HIWORD(wparam));
    case WM_CLOSE:
        CommitDialogSettings(picker->owner, *picker->settings, false);
        EndDialog(dialog, kCloseButton);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK TintPickerProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return RunGuarded<INT_PTR>(FALSE,
                               [&] { return HandleMessage(dialog, message, wparam, lparam); });
}

} // namespace

void RunTintPicker(HWND settings_dialog, SettingsDialogState& state) {
    TintPickerState picker;
    picker.owner = settings_dialog;
    picker.settings = &state;
    picker.colour = state.tint_colour;
    INT_PTR result =
        DialogBoxParamW(g_module_instance, MAKEINTRESOURCEW(kTintTemplate), settings_dialog,
                        TintPickerProc, reinterpret_cast<LPARAM>(&picker));
    if (result == -1) {
        DebugLine("Unable to open Murivo tint picker.\n");
    }
}
