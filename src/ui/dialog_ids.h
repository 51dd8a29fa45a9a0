// Template and control ids of the dialog resources (murivo_dialogs.rc uses the same numbers).
#pragma once

inline constexpr int kSettingsTemplate = 101;
inline constexpr int kTintTemplate = 102;
inline constexpr int kAboutTemplate = 103;
inline constexpr int kItemTemplate = 104;

inline constexpr int kCloseButton = 2;

// Settings dialog.
inline constexpr int kPathEdit = 1001;
inline constexpr int kBrowseButton = 1002;
inline constexpr int kEnableCheck = 1003;
inline constexpr int kOpacitySlider = 1004;
inline constexpr int kFitCombo = 1005;
inline constexpr int kOpacityLabel = 1006;
inline constexpr int kPreviewCaption = 1007;
inline constexpr int kPreviewControl = 1008;
inline constexpr int kOpacityReset = 1009;
inline constexpr int kTintButton = 1010;
inline constexpr int kTintSwatch = 1011;
inline constexpr int kTintLabel = 1012;
inline constexpr int kGrayscaleCheck = 1016;
inline constexpr int kItemsButton = 1036;
inline constexpr int kDefaultCheck = 1042;
inline constexpr int kSourceNote = 1043;
inline constexpr int kAnchorCombo = 1045;
inline constexpr int kSoftnessSlider = 1046;
inline constexpr int kSoftnessLabel = 1047;
inline constexpr int kTimeSelectionSlider = 1048;
inline constexpr int kTimeSelectionLabel = 1049;
inline constexpr int kFrameThreadsCombo = 1050;
inline constexpr int kMidiEditorCheck = 1051;

// Tint picker.
inline constexpr int kAmountSlider = 1013;
inline constexpr int kAmountLabel = 1014;
inline constexpr int kResetTint = 1015;
inline constexpr int kPickedSwatch = 1017;
inline constexpr int kHexEdit = 1018;
inline constexpr int kRedSlider = 1019;
inline constexpr int kGreenSlider = 1020;
inline constexpr int kBlueSlider = 1021;
inline constexpr int kRedLabel = 1022;
inline constexpr int kGreenLabel = 1023;
inline constexpr int kBlueLabel = 1024;
inline constexpr int kFirstPreset = 1025;
inline constexpr int kLastPreset = 1032;
inline constexpr int kColourSquare = 1033;
inline constexpr int kHueStrip = 1034;

// About dialog.
inline constexpr int kVisitWebsite = 1035;
inline constexpr int kAboutSourceNote = 1044;

// Item background dialog.
inline constexpr int kAudioSlider = 1037;
inline constexpr int kAudioLabel = 1038;
inline constexpr int kMidiSlider = 1039;
inline constexpr int kMidiLabel = 1040;
inline constexpr int kItemsReset = 1041;

// The commit timer of the settings and item dialogs.
inline constexpr unsigned kCommitTimerId = 1;
// Takes the preview's picture when the picture thread has it, and looks whether the project was
// switched off meanwhile (its picture failed to load).
inline constexpr unsigned kWatchTimerId = 2;
inline constexpr unsigned kWatchTimerMs = 50;
inline constexpr unsigned kCommitTimerMs = 60;
