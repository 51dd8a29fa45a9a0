// Which picture paths may be opened, and finding a picture beside a project that moved.
#include <gtest/gtest.h>

#include "settings/picture_path.h"

namespace {

struct Case {
    const char16_t* path;
    PathKind kind;
    bool absolute; // names one place whatever the host's current folder and drive
};

std::string Narrow(const char16_t* path) {
    std::string text;
    for (char16_t c : std::u16string_view(path)) {
        text += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return text;
}

void ExpectClassified(const char* group, std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyPicturePath(c.path), c.kind) << group << ": " << Narrow(c.path);
        EXPECT_EQ(IsAbsolutePicturePath(c.path), c.absolute) << group << ": " << Narrow(c.path);
    }
}

} // namespace

TEST(PicturePath, DevicesAndOtherComputersAreToldApartFromFiles) {
    ExpectClassified("files", {
                                  {u"C:\\Pictures\\x.png", PathKind::local, true},
                                  {u"Z:\\mapped\\x.png", PathKind::local, true},
                                  {u"c:/Pictures/x.png", PathKind::local, true},
                                  {u"\\\\?\\C:\\Pictures\\x.png", PathKind::local, true},
                                  {u"\\??\\C:\\Pictures\\x.png", PathKind::local, true},
                                  {u"C:\\Pictures\\COM10.png", PathKind::local, true},
                                  {u"C:\\Pictures\\console.png", PathKind::local, true},
                                  {u"C:\\Pictures\\nul-and-void.png", PathKind::local, true},
                                  {u"C:\\CONFIG\\x.png", PathKind::local, true},
                                  {u"C:\\x\\a.NUL.png", PathKind::local, true},
                              });
    ExpectClassified("devices by prefix",
                     {
                         {u"\\\\.\\COM1", PathKind::device, true},
                         {u"//./PhysicalDrive0", PathKind::device, true},
                         {u"\\\\?\\GLOBALROOT\\Device\\Null", PathKind::device, true},
                         {u"\\\\?\\Volume{0000}\\x.png", PathKind::device, true},
                         {u"\\??\\GLOBALROOT\\Device\\Null", PathKind::device, true},
                         {u"\\\\?\\pipe\\x", PathKind::device, true},
                     });
    ExpectClassified("bare volumes", {
                                         {u"\\\\?\\C:", PathKind::device, true},
                                         {u"\\??\\C:", PathKind::device, true},
                                         {u"\\\\?\\C:\\", PathKind::device, true},
                                         {u"//?/c://", PathKind::device, true},
                                         {u"\\??\\C:\\\\", PathKind::device, true},
                                     });
    ExpectClassified("device names in any part",
                     {
                         {u"C:\\Pictures\\com1.png", PathKind::device, true},
                         {u"C:\\Pictures\\NUL", PathKind::device, true},
                         {u"C:\\dir\\NUL:x.png", PathKind::device, true},
                         {u"C:\\dir\\COM1:x.png", PathKind::device, true},
                         {u"C:\\dir\\CON :x.png", PathKind::device, true},
                         {u"C:COM1:x", PathKind::device, false},
                         {u"C:\\NUL\\x.png", PathKind::device, true},
                         {u"C:\\dir\\com1 .png", PathKind::device, true},
                         {u"C:\\dir\\AUX...", PathKind::device, true},
                         {u"C:\\dir\\prn  . .png", PathKind::device, true},
                         {u"C:\\dir\\conout$", PathKind::device, true},
                         {u"\\\\?\\C:\\dir\\lpt2.png", PathKind::device, true},
                         {u"\\\\server\\share\\aux.png", PathKind::device, true},
                         {u"LPT\u00B9:", PathKind::device, false},
                         {u"nul", PathKind::device, false},
                     });
    ExpectClassified("other computers",
                     {
                         {u"\\\\server\\share\\x.png", PathKind::network, true},
                         {u"//server/share/x.png", PathKind::network, true},
                         {u"\\\\?\\UNC\\server\\share\\x.png", PathKind::network, true},
                         {u"\\??\\unc\\server\\share\\x.png", PathKind::network, true},
                     });
    ExpectClassified("not absolute", {
                                         {u"x.png", PathKind::local, false},
                                         {u"sub\\x.png", PathKind::local, false},
                                         {u"\\dir\\pic.png", PathKind::local, false},
                                         {u"/dir/pic.png", PathKind::local, false},
                                         {u"C:pic.png", PathKind::local, false},
                                         {u"C:", PathKind::local, false},
                                         {u"", PathKind::local, false},
                                     });
}

TEST(PicturePath, FinalPathsReadAsTheUserWritesThem) {
    // The system would stop reading at the zero and open "C:\dir\NUL".
    using namespace std::string_view_literals;
    EXPECT_EQ(ClassifyPicturePath(u"C:\\dir\\NUL\0.png"sv), PathKind::device);
    EXPECT_EQ(WithoutVerbatimPrefix(u"\\\\?\\Z:\\tmp\\x.png"), u"Z:\\tmp\\x.png");
    EXPECT_EQ(WithoutVerbatimPrefix(u"\\\\?\\UNC\\server\\share\\x.png"),
              u"\\\\server\\share\\x.png");
    EXPECT_EQ(WithoutVerbatimPrefix(u"\\??\\C:\\x.png"), u"C:\\x.png");
    EXPECT_EQ(WithoutVerbatimPrefix(u"C:\\x.png"), u"C:\\x.png");
}

TEST(PicturePath, RelativePathsLeadOnlyDownwardsFromTheProjectFolder) {
    EXPECT_EQ(RelativeToFolder(u"C:\\Songs\\Demo", u"c:/songs/demo/Art/x.png"), u"Art\\x.png");
    EXPECT_EQ(RelativeToFolder(u"C:\\", u"C:\\x.png"), u"x.png");
    EXPECT_EQ(RelativeToFolder(u"C:\\Songs\\Demo", u"C:\\Songs\\Demo2\\x.png"), std::nullopt);
    EXPECT_EQ(RelativeToFolder(u"C:\\Songs\\Demo", u"C:\\Songs\\Demo\\..\\x.png"), std::nullopt);
    EXPECT_EQ(RelativeToFolder(u"", u"C:\\x.png"), std::nullopt);

    EXPECT_EQ(JoinBelowFolder(u"D:\\Moved", u"Art\\x.png"), u"D:\\Moved\\Art\\x.png");
    for (const char16_t* hostile : {u"..\\x.png", u"Art\\..\\..\\x.png", u"\\x.png", u"C:\\x.png",
                                    u"x.png:stream", u"Art\\\\x.png", u""}) {
        EXPECT_EQ(JoinBelowFolder(u"D:\\Moved", hostile), u"");
    }
    EXPECT_EQ(JoinBelowFolder(u"", u"x.png"), u"");
    EXPECT_EQ(FolderOf(u"D:\\Moved\\Song.RPP"), u"D:\\Moved");
    EXPECT_EQ(FolderOf(u"Song.RPP"), u"");
}

TEST(PicturePath, LookupTriesStoredThenRelativeThenFileNameOnce) {
    auto order = PictureLookupOrder(u"C:\\Old\\Art\\x.png", u"Art\\x.png", u"D:\\New");
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0].file, u"C:\\Old\\Art\\x.png");
    EXPECT_EQ(order[0].origin, PictureOrigin::stored_path);
    EXPECT_EQ(order[1].file, u"D:\\New\\Art\\x.png");
    EXPECT_EQ(order[2].file, u"D:\\New\\x.png");
    EXPECT_EQ(order[2].origin, PictureOrigin::beside_project);

    // An unsaved project has no folder: only the stored path.
    EXPECT_EQ(PictureLookupOrder(u"C:\\Old\\x.png", u"x.png", u"").size(), 1u);
    // The same file reached twice is tried once.
    EXPECT_EQ(PictureLookupOrder(u"D:\\New\\x.png", u"x.png", u"d:\\new").size(), 1u);
    // A stored relative path that climbs out of the folder is not followed.
    EXPECT_EQ(PictureLookupOrder(u"C:\\Old\\x.png", u"..\\..\\x.png", u"D:\\New").size(), 2u);
}

TEST(PicturePath, PathsThatAreNotAbsoluteAreLookedForInTheProjectFolderOnly) {
    for (const char16_t* stored : {u"pic.png", u"\\dir\\pic.png", u"C:pic.png", u"/dir/pic.png"}) {
        const std::string name = Narrow(stored);
        // Never as they stand: against the host's current folder or drive.
        const auto order = PictureLookupOrder(stored, u"", u"D:\\Song");
        ASSERT_EQ(order.size(), 1u) << name;
        EXPECT_EQ(order[0].file, u"D:\\Song\\pic.png") << name;
        EXPECT_EQ(order[0].origin, PictureOrigin::beside_project) << name;
        // Without a project folder there is nowhere to look.
        EXPECT_TRUE(PictureLookupOrder(stored, u"", u"").empty()) << name;
    }
    // A relative path leading downwards is followed below the folder first.
    const auto order = PictureLookupOrder(u"art\\pic.png", u"", u"D:\\Song");
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0].file, u"D:\\Song\\art\\pic.png");
    EXPECT_EQ(order[1].file, u"D:\\Song\\pic.png");
}
