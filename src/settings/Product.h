// The product's names as the windows show them.
#pragma once

inline constexpr const char* ProductName = "Quillmere";
// The full name used as message-box caption.
inline constexpr const char* ProductTitle = "Fenwright Quillmere";
inline constexpr const char* CompanyName = "Fenwright";
