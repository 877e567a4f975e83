#pragma once

#include <string_view>

namespace vorlund::form {

// The program's only window as both toolkits build it: "min Z" over the
// value label, inside a frame, with an Ok button below. Sizes in twips.

enum class Kind { Button, Frame, Label, Value };

struct Font {
    double Points;
    bool Bold;
};

struct Control {
    std::string_view Name; // the control's name, as tests and tools find it
    Kind What;
    std::string_view Caption;
    int Left, Top, Width, Height;
};

inline constexpr std::string_view kCaption = "Vorlund"; // the window's and every box's
inline constexpr int kWidth = 2220;                     // the client area
inline constexpr int kHeight = 1920;
inline constexpr std::string_view kFontFamily = "Tahoma";
inline constexpr Font kFont{9.75, false};
inline constexpr Font kValueFont{12, true};

// In creation order.
inline constexpr Control kControls[] = {
    {"ExBut", Kind::Button, "Ok", 480, 1320, 1095, 375},
    {"Shape1", Kind::Frame, "", 0, 120, 2175, 975},
    {"Label2", Kind::Label, "min Z", 600, 240, 855, 255},
    {"LblKelto", Kind::Value, "???", 240, 600, 1695, 255},
};

// The question about a file whose depth is in doubt; the first is the default.
inline constexpr std::string_view kKeepName = "Keep names";
inline constexpr std::string_view kRenameAnyway = "Rename anyway";

// 15 twips a pixel at 96 dpi.
constexpr int Px(int Twips) {
    return Twips / 15;
}

} // namespace vorlund::form
