#pragma once
// The shell library's user-visible texts, fetched by their string-resource ids (65184..65311).
// Only the texts this program's controls show are provided; the other ids of the range answer
// an empty text.

#include <string>

namespace sondrel::shell {

inline constexpr int _SShKey_SelectAll = 65187;
inline constexpr int _SShKey_Delete = 65188;
inline constexpr int _SShKey_Copy = 65189;
inline constexpr int _SShKey_Cut = 65190;
inline constexpr int _SShKey_Paste = 65191;
inline constexpr int _SShKey_Refresh = 65192;
inline constexpr int _SShKey_Edit = 65193;
inline constexpr int _SColumnType = 65216;
inline constexpr int _SColumnModified = 65217;
inline constexpr int _SSystemFolder = 65226;
inline constexpr int _SNewFolder = 65236;
inline constexpr int _SUnableToCreateFolder = 65243;
inline constexpr int _SColumnName = 65245;
inline constexpr int _SColumnSize = 65247;
inline constexpr int _SFilesizeKB = 65261;

inline constexpr int kFirstLibraryString = 65184;
inline constexpr int kLastLibraryString = 65311;

// The text of library string `id` ("\n" is a line break); empty for an id without one.
[[nodiscard]] std::string LoadLibraryString(int id);

// Every library text passes through here before use; it is handed back unchanged.
[[nodiscard]] std::string PTLoadStr(const std::string& text);

} // namespace sondrel::shell
