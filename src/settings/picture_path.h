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

// By the text alone. A device: "\\.\..." and "\\?\" or "\??\" followed by anything but a drive
// with a path below it or "UNC\" (so "\\?\C:" and "\\?\C:\", the volume itself, too), and any
// path with a part that Windows reads as a device name: CON, PRN, AUX, NUL, COM0-9, LPT0-9
// (and the superscript 1-3), CONIN$, CONOUT$, with or without an extension, followed by
// spaces, a colon or a stream ("C:\dir\com1 .png", "C:\dir\NUL:x.png", "C:COM1:x",
// "C:\NUL\x.png"). A path that is not absolute is local here: see IsAbsolutePicturePath.
PathKind ClassifyPicturePath(std::u16string_view path);

// Whether path names the same place whatever the host's current folder and drive: "X:\..." or
// a path starting with two separators or "\??\". "pic.png", "\dir\pic.png" and "C:pic.png" do
// not; they are only ever looked for in the project's folder.
bool IsAbsolutePicturePath(std::u16string_view path);

// path without a leading "\\?\" or "\??\": "\\?\C:\x" as "C:\x", "\\?\UNC\s\x" as "\\s\x"
// (the form GetFinalPathNameByHandleW answers in, back in the form a user chooses).
std::u16string WithoutVerbatimPrefix(std::u16string_view path);

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

// Where to look for a project's picture, in order: the stored path (when it is absolute; one
// that is not, against the project's folder instead), the stored relative path against the
// project's folder, the stored path's file name in the project's folder. Paths that resolve
// to the same text appear once; without a project folder a path that is not absolute has none.
std::vector<PictureCandidate> PictureLookupOrder(std::u16string_view path,
                                                 std::u16string_view relative_path,
                                                 std::u16string_view project_folder);
