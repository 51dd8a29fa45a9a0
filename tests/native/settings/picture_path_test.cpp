// Which picture paths may be opened, and finding a picture beside a project that moved.
#include <gtest/gtest.h>

#include "settings/picture_path.h"

namespace {

struct Case {
    const char16_t* path;
    PathKind kind;
};

} // namespace

TEST(PicturePath, DevicesAndOtherComputersAreToldApartFromFiles) {
    const Case cases[] = {
        {u"C:\\Pictures\\x.png", PathKind::local},
        {u"Z:\\mapped\\x.png", PathKind::local},
        {u"x.png", PathKind::local},
        {u"\\\\?\\C:\\Pictures\\x.png", PathKind::local},
        {u"\\\\.\\COM1", PathKind::device},
        {u"//./PhysicalDrive0", PathKind::device},
        {u"\\\\?\\GLOBALROOT\\Device\\Null", PathKind::device},
        {u"\\\\?\\Volume{0000}\\x.png", PathKind::device},
        {u"\\??\\GLOBALROOT\\Device\\Null", PathKind::device},
        {u"C:\\Pictures\\com1.png", PathKind::device},
        {u"C:\\Pictures\\NUL", PathKind::device},
        {u"LPT\u00B9:", PathKind::device},
        {u"C:\\Pictures\\COM10.png", PathKind::local},
        {u"C:\\Pictures\\console.png", PathKind::local},
        {u"\\\\server\\share\\x.png", PathKind::network},
        {u"//server/share/x.png", PathKind::network},
        {u"\\\\?\\UNC\\server\\share\\x.png", PathKind::network},
        {u"\\??\\unc\\server\\share\\x.png", PathKind::network},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyPicturePath(c.path), c.kind)
            << std::string(std::u16string_view(c.path).begin(), std::u16string_view(c.path).end());
    }
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
