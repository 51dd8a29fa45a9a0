// The maker's web address. A preprocessor name because the dialog resources need it too and
// the resource compiler understands nothing else; code uses kMakerWebAddress.
#pragma once

#define MURIVO_MAKER_WEB_ADDRESS "https://orvane.example/murivo"
