#pragma once

// Where a running deskmap-app answers on the session bus, and what it
// publishes there for status bars.
namespace deskmap::RunningAppBus {

inline constexpr const char* name = "com.quillary.deskmap";
inline constexpr const char* path = "/com/quillary/deskmap";
inline constexpr const char* interface = "com.quillary.deskmap.App";
// BarFace() -> (text, tooltip, status, reason), and the signal with the
// same four strings each time they change.
inline constexpr const char* faceMethod = "BarFace";
inline constexpr const char* faceSignal = "BarFaceChanged";
// Desktop() -> the desktop the app shows, as sessionDesktopKey gives it.
inline constexpr const char* desktopMethod = "Desktop";

} // namespace deskmap::RunningAppBus
