// Where a picture path points and how a picture beside a project is found again when the project
// moved: classifying paths, making and resolving paths relative to the project's folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// local: a file on this computer (mapped drive letters included); device: a path that opens a
// device rather than a file; network: a path that makes Windows contact another computer.
enum class PathKind { local, device, network };

PathKind ClassifyPicturePath(std::u16string_view path);

// The folder that holds file (no trailing separator); empty when file names no folder.
std::u16string FolderOf(std::u16string_view file);

// path relative to folder when it lies in folder or below it ("sub\x.png"); nothing otherwise.
// Letters compare without regard to ASCII case, both separators count.
std::optional<std::u16string> RelativeToFolder(std::u16string_view folder,
                                               std::u16string_view path);

// folder joined with relative, which must lead downwards only: no drive, stream or root, no
// "..", no empty part. Empty when it does not or when folder is empty.
std::u16string JoinBelowFolder(std::u16string_view folder, std::u16string_view relative);

// The last part of path (after the last separator or drive colon).
std::u16string FileNameOf(std::u16string_view path);

enum class PictureOrigin { stored_path, beside_project, default_wallpaper };

struct PictureCandidate {
    std::u16string file;
    PictureOrigin origin;
};

// Where to look for a project's picture, in order: the stored path, the stored relative path
// against the project's folder, the stored path's file name in the project's folder. Paths
// that resolve to the same text appear once.
std::vector<PictureCandidate> PictureLookupOrder(std::u16string_view path,
                                                 std::u16string_view relative_path,
                                                 std::u16string_view project_folder);
