// The pictures on other computers the user chose here, kept in the host's global state: what
// is allowed after a choice, and a stored list nobody should have written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/network_pictures.h"
#include "settings/settings_codec.h"
#include "support/fake_host.h"

namespace {

const std::u16string kChosen = u"\\\\server\\share\\x.png";

std::string& StoredList(FakeHost& host) {
    return host.global_state["Murivo"]["network_pictures"];
}

bool IsStored(FakeHost& host) {
    return host.global_state["Murivo"].count("network_pictures") != 0;
}

// A path on another computer of exactly chars characters, told apart by number.
std::u16string LongNetworkPath(int number, size_t chars) {
    std::u16string path = u"\\\\server\\share\\" + Utf8ToUtf16(std::to_string(number)) + u"-";
    path.resize(chars - 4, u'p');
    return path + u".png";
}

} // namespace

TEST(NetworkPictures, AChoiceAllowsThatFileOnlyOnceAndInAnySpellingWindowsTakes) {
    FakeHost host;
    EXPECT_FALSE(PictureMayBeOpened(kChosen));
    EXPECT_TRUE(PictureMayBeOpened(u"C:\\Pictures\\x.png"));
    EXPECT_TRUE(RememberChosenPicture(kChosen));
    EXPECT_EQ(StoredList(host), "\\\\server\\share\\x.png");
    EXPECT_TRUE(PictureMayBeOpened(kChosen));
    // The same file, as Windows reads it: nothing more is written.
    for (const std::u16string same : {u"\\\\SERVER\\Share\\X.PNG", u"//server/share/x.png"}) {
        EXPECT_TRUE(PictureMayBeOpened(same));
        EXPECT_FALSE(RememberChosenPicture(same));
    }
    EXPECT_FALSE(RememberChosenPicture(kChosen));
    EXPECT_EQ(host.global_writes, 1);
    // Neighbours, longer and shorter names are other files, maybe on other computers.
    for (const std::u16string other : {u"\\\\server\\share\\y.png", u"\\\\server\\share\\x.png.exe",
                                       u"\\\\server\\share\\x.pn", u"\\\\other\\share\\x.png"}) {
        EXPECT_FALSE(PictureMayBeOpened(other));
    }
    // Files here need no choice and devices are never allowed: neither is remembered.
    for (const std::u16string never : {u"C:\\Pictures\\x.png", u"\\\\.\\COM1", u""}) {
        EXPECT_FALSE(RememberChosenPicture(never));
    }
    EXPECT_EQ(host.global_writes, 1);
}

// A NUL would store "\\server\share\x.png" for a longer path the user chose; a line break is
// refused by the host's state file, which would drop the whole list with it.
TEST(NetworkPictures, PathsNoWindowsFileHasAreNeitherRememberedNorHarmTheList) {
    FakeHost host;
    const std::u16string with_nul = kChosen + std::u16string(1, u'\0') + u".txt";
    EXPECT_FALSE(RememberChosenPicture(with_nul));
    EXPECT_FALSE(PictureMayBeOpened(kChosen));
    ASSERT_TRUE(RememberChosenPicture(kChosen));
    const std::u16string lone_surrogate =
        u"\\\\server\\share\\" + std::u16string(1, char16_t(0xD800));
    for (const std::u16string& bad :
         {std::u16string(u"\\\\server\\share\\a\nb.png"),
          std::u16string(u"\\\\server\\share\\a|b.png"), lone_surrogate}) {
        EXPECT_FALSE(RememberChosenPicture(bad));
        EXPECT_FALSE(PictureMayBeOpened(bad));
    }
    EXPECT_TRUE(PictureMayBeOpened(kChosen));
    EXPECT_EQ(host.global_writes, 1);
}

TEST(NetworkPictures, TheListKeepsTheNewestChoicesAndStaysReadable) {
    FakeHost host;
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(RememberChosenPicture(LongNetworkPath(i, 40)));
    }
    EXPECT_FALSE(PictureMayBeOpened(LongNetworkPath(7, 40)));
    EXPECT_TRUE(PictureMayBeOpened(LongNetworkPath(8, 40)));
    EXPECT_TRUE(PictureMayBeOpened(LongNetworkPath(39, 40)));

    // Long paths fill the host's value before 32 do: the oldest give way, the list never grows
    // too long to be read back (which would forget every choice, the new one too).
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(RememberChosenPicture(LongNetworkPath(100 + i, 30000)));
        EXPECT_TRUE(PictureMayBeOpened(LongNetworkPath(100 + i, 30000)));
    }
    EXPECT_LT(StoredList(host).size(), 131072u);
    EXPECT_TRUE(PictureMayBeOpened(LongNetworkPath(108, 30000)));
    EXPECT_FALSE(PictureMayBeOpened(LongNetworkPath(107, 30000)));
}

TEST(NetworkPictures, AHostileStoredListAllowsOnlyWhatItNamesAndIsRepairedByTheNextChoice) {
    struct Hostile {
        const char* name;
        std::string list;
        bool keeps_a; // whether "\\server\share\a.png" is still allowed
    };
    std::string many;
    for (int i = 0; i < 5000; ++i) {
        many += "\\\\server\\share\\a.png|";
    }
    const Hostile lists[] = {
        {"empty entries", "|||\\\\server\\share\\a.png||", true},
        {"duplicates", many, true},
        {"invalid utf-8 and junk", "\xFF\xC0\xAF|\\\\server\\share\\a.png|C:\\x.png|\\\\.\\COM1",
         true},
        {"too long to be ours", std::string(131072, 'a') + "|\\\\server\\share\\a.png", false},
        {"one separator", "|", false},
    };
    for (const Hostile& h : lists) {
        SCOPED_TRACE(h.name);
        FakeHost host;
        StoredList(host) = h.list;
        EXPECT_EQ(PictureMayBeOpened(u"\\\\server\\share\\a.png"), h.keeps_a);
        // What the list holds besides other computers' pictures opens nothing more.
        EXPECT_FALSE(PictureMayBeOpened(u"\\\\.\\COM1"));
        EXPECT_FALSE(PictureMayBeOpened(u"\\\\server\\share"));
        ASSERT_TRUE(RememberChosenPicture(kChosen));
        EXPECT_TRUE(PictureMayBeOpened(kChosen));
        EXPECT_EQ(PictureMayBeOpened(u"\\\\server\\share\\a.png"), h.keeps_a);
        EXPECT_LE(StoredList(host).size(), 2 * kChosen.size() + 1);
    }
}

TEST(NetworkPictures, WithoutTheHostsGlobalStateNothingOnAnotherComputerIsAllowed) {
    FakeHost host;
    g_host.SetExtState = nullptr;
    EXPECT_FALSE(RememberChosenPicture(kChosen));
    EXPECT_FALSE(IsStored(host));
    g_host.GetExtState = nullptr;
    StoredList(host) = "\\\\server\\share\\x.png";
    EXPECT_FALSE(PictureMayBeOpened(kChosen));
    EXPECT_TRUE(PictureMayBeOpened(u"C:\\x.png"));
}
