// Every text the user sees in the host's language: the dialogs, their layouts under texts 40 %
// longer than English, the action names; English where the host has no language pack.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

#include "base/host_records.h"
#include "base/version.h"
#include "host_functions.h"
#include "host_windows.h"
#include "language_pack.h"
#include "registrations.h"
#include "support/modal_driver.h"
#include "support/sim_fixture.h"
#include "text_file.h"
#include "ui/maker_address.h"

namespace {

class Translation : public SimulatedHost {};

constexpr int kTintButton = 1010;
constexpr int kItemsButton = 1036;

std::wstring Translated(const char* english) {
    return sim::Utf8ToWide(sim::TestPackTranslation(english));
}

std::wstring TranslatedAboutTitle() {
    std::string title = sim::TestPackTranslation("About Murivo %s");
    title.replace(title.find("%s"), 2, MURIVO_VERSION_TEXT);
    return sim::Utf8ToWide(title);
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

bool HasLetter(const std::wstring& text) {
    for (wchar_t c : text) {
        if (std::iswalpha(c) != 0) {
            return true;
        }
    }
    return false;
}

// The text's size in the control's font, wrapped at width when wrap is set.
SIZE TextSize(HWND control, const std::wstring& text, int width, bool wrap) {
    HDC dc = GetDC(control);
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font);
    RECT rect = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &rect,
              DT_CALCRECT | DT_NOPREFIX | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// What of the control's text the control cannot show whole: static texts wrap within their
// rectangle, buttons and check boxes keep one line beside their frame or box, a combo box shows
// each choice beside its arrow. Empty when everything fits.
std::wstring Clipped(HWND control) {
    wchar_t class_name[32] = {};
    GetClassNameW(control, class_name, 32);
    const std::wstring kind = class_name;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client = {};
    GetClientRect(control, &client);
    std::vector<std::pair<std::wstring, int>> lines; // text, room for it
    bool wrap = false;
    if (_wcsicmp(kind.c_str(), L"Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if ((type != SS_LEFT && type != SS_CENTER) || (style & SS_PATHELLIPSIS) != 0) {
            return {};
        }
        wrap = true;
        lines.emplace_back(WindowText(control), client.right);
    } else if (_wcsicmp(kind.c_str(), L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_OWNERDRAW) {
            return {};
        }
        const bool check = type == BS_AUTOCHECKBOX || type == BS_CHECKBOX;
        const int frame = check ? GetSystemMetrics(SM_CXMENUCHECK) + 6 : 8;
        lines.emplace_back(WindowText(control), client.right - frame);
    } else if (_wcsicmp(kind.c_str(), L"ComboBox") == 0) {
        const int count = static_cast<int>(SendMessageW(control, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t item[256] = {};
            SendMessageW(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            lines.emplace_back(item, client.right - GetSystemMetrics(SM_CXVSCROLL) - 6);
        }
    }
    for (const auto& [text, room] : lines) {
        if (text.empty()) {
            continue;
        }
        const SIZE size = TextSize(control, text, room, wrap);
        if (size.cx > room || (wrap && size.cy > client.bottom)) {
            return text;
        }
    }
    return {};
}

// Every text of the dialog is the test pack's (names, numbers and values filled in later
// aside), and none is clipped.
void ExpectTranslatedAndWhole(HWND dialog, const std::wstring& title) {
    EXPECT_EQ(WindowText(dialog), title);
    const std::wstring address = sim::Utf8ToWide(MURIVO_MAKER_WEB_ADDRESS);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring text = WindowText(child);
        if (HasLetter(text) && text != L"Murivo" && text != L"Orvane" && text != address &&
            text.find(L'#') == std::wstring::npos) {
            EXPECT_EQ(text.front(), L'[') << "untranslated: " << sim::WideToUtf8(text);
        }
        const std::wstring clipped = Clipped(child);
        EXPECT_TRUE(clipped.empty()) << "clipped: " << sim::WideToUtf8(clipped);
    }
}

std::vector<std::string> ActionNames() {
    std::vector<std::string> names;
    for (const sim::Registration& entry : sim::RegistrationLogFor("custom_action")) {
        names.push_back(static_cast<const CustomActionRecord*>(entry.pointer)->display_name);
    }
    return names;
}

} // namespace

TEST_F(Translation, UnderALanguagePackEveryDialogAndActionIsTranslatedAndNothingClips) {
    std::string error;
    ASSERT_TRUE(sim::LoadLanguagePack("test", error));
    ASSERT_EQ(Load(), 1);
    const std::vector<std::string> names = ActionNames();
    ASSERT_EQ(names.size(), 7u);
    EXPECT_EQ(names[0], sim::TestPackTranslation("Murivo: Choose wallpaper..."));
    std::string about = sim::TestPackTranslation("Murivo: About %s");
    about.replace(about.find("%s"), 2, MURIVO_VERSION_TEXT);
    EXPECT_EQ(names[4], about);
    EXPECT_EQ(names[6], sim::TestPackTranslation("Murivo: Show wallpaper in the MIDI editor"));

    // The menu's entries are translated; the submenu keeps the name it is found again by.
    HMENU menu = sim::ExtensionsMenu();
    ASSERT_NE(menu, nullptr);
    sim::CallMenuHooks("Main extensions", menu, 0);
    sim::CallMenuHooks("Main extensions", menu, 0);
    const int last = GetMenuItemCount(menu) - 1;
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(last), text, 256, MF_BYPOSITION);
    EXPECT_STREQ(text, L"Murivo");
    EXPECT_EQ(GetMenuItemCount(menu), last + 1); // found again, not built twice
    HMENU submenu = GetSubMenu(menu, last);
    GetMenuStringW(submenu, 0, text, 256, MF_BYPOSITION);
    EXPECT_EQ(text, Translated("Settings..."));
    GetMenuStringW(submenu, 5, text, 256, MF_BYPOSITION);
    EXPECT_EQ(text, Translated("Show wallpaper in the MIDI editor"));
    GetMenuStringW(submenu, 8, text, 256, MF_BYPOSITION);
    EXPECT_EQ(text, TranslatedAboutTitle());

    DialogWatchdog watchdog(30000);
    int seen = 0;
    WhenDialogAppears(Translated("Murivo settings"), [&](HWND settings) {
        ++seen;
        ExpectTranslatedAndWhole(settings, Translated("Murivo settings"));
        WhenDialogAppears(Translated("Image tint color"), [&](HWND tint) {
            ++seen;
            ExpectTranslatedAndWhole(tint, Translated("Image tint color"));
            PostMessageW(tint, WM_CLOSE, 0, 0);
        });
        Click(settings, kTintButton);
        WhenDialogAppears(Translated("Item background transparency"), [&](HWND items) {
            ++seen;
            ExpectTranslatedAndWhole(items, Translated("Item background transparency"));
            PostMessageW(items, WM_CLOSE, 0, 0);
        });
        Click(settings, kItemsButton);
        PostMessageW(settings, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOSETTINGS")));
    WhenDialogAppears(TranslatedAboutTitle(), [&](HWND dialog) {
        ++seen;
        ExpectTranslatedAndWhole(dialog, TranslatedAboutTitle());
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_TRUE(sim::DispatchCommand(sim::CommandIdFor("MURIVOABOUT")));
    EXPECT_EQ(seen, 4);
    EXPECT_FALSE(watchdog.Fired());
}

// An older host without LocalizeString, and a pack whose format for a text differs from
// English's: the English texts, exactly.
TEST_F(Translation, WithoutLocalizeStringOrWithAMismatchedFormatTheTextsStayEnglish) {
    sim::WithholdHostFunction("LocalizeString");
    ASSERT_EQ(Load(), 1);
    std::vector<std::string> names = ActionNames();
    ASSERT_EQ(names.size(), 7u);
    EXPECT_EQ(names[1], "Murivo: Remove wallpaper");
    EXPECT_EQ(names[4], "Murivo: About " MURIVO_VERSION_TEXT);
    ASSERT_EQ(Unload(), 0);

    sim::ResetHostFunctions();
    const std::string pack = sim::WideToUtf8(TempPath(L"murivo-pack.txt"));
    FILE* file = std::fopen(pack.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("[Murivo]\nMurivo: About %s=Murivo: %d\nMurivo: Settings...=Murivo: Optionen...\n",
               file);
    std::fclose(file);
    std::string error;
    ASSERT_TRUE(sim::LoadLanguagePack(pack, error)) << error;
    sim::ResetRegistrations();
    ASSERT_EQ(Load(), 1);
    names = ActionNames();
    ASSERT_EQ(names.size(), 7u);
    EXPECT_EQ(names[3], "Murivo: Optionen...");
    EXPECT_EQ(names[4], "Murivo: About " MURIVO_VERSION_TEXT);
    DeleteFileA(pack.c_str());
}
