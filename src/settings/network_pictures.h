// Which picture paths may be opened: files on this computer always, devices never, pictures on
// another computer only when the user chose that path here (a project from someone else must
// not make Windows contact a server, and offer the user's credentials, on opening).
#pragma once

#include <string_view>

// Another computer's path counts as chosen when it names the same file as a remembered one:
// Windows takes either separator and server, share and file names without regard to case.
bool PictureMayBeOpened(std::u16string_view path);

// Remembers a path on another computer that the user chose, in the host's global state; other
// paths are not remembered. True when path may be opened now and could not before.
bool RememberChosenPicture(std::u16string_view path);
