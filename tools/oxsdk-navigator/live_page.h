// The live view's page: HTML with inline style and script, drawing the navigator's state as
// SVG from the server's JSON endpoints; it loads nothing from anywhere else.
#pragma once

namespace oxsdk::emulator {

extern const char* const kLivePage;

}  // namespace oxsdk::emulator
