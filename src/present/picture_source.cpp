#include "present/picture_source.h"

#include "settings/translated_text.h"

PictureSource g_picture_source;

std::u16string PictureSourceNote() {
    if (g_picture_source.file.empty()) {
        return {};
    }
    switch (g_picture_source.origin) {
    case PictureOrigin::beside_project:
        return TranslatedText("Found beside the project: ") + g_picture_source.file;
    case PictureOrigin::default_wallpaper:
        return TranslatedText("Default wallpaper: ") + g_picture_source.file;
    case PictureOrigin::stored_path:
        break;
    }
    return {};
}
