// Which picture paths may be opened: files on this computer always, devices never, pictures on
// another computer only when the user chose that exact path here (a project from someone else
// must not make Windows contact a server, and offer the user's credentials, on opening).
#pragma once

#include <string_view>

bool PictureMayBeOpened(std::u16string_view path);

// Remembers a path on another computer that the user chose, in the host's global state; other
// paths are not remembered.
void RememberChosenPicture(std::u16string_view path);
