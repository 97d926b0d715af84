// The one separator used wherever this program joins or cuts paths as plain text.
#pragma once

namespace mailferry::sources {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

}  // namespace mailferry::sources
