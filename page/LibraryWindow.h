#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

class CListUI;
class CWindowWnd;

// What the macro and the recoil pattern library windows share.

// A record file's kind in the file dialogs: "Macro File", "*.macro;*.MACRO", "macro".
struct LibraryFileKind {
    QString filterName;
    QString filter;
    QString extension;
};

// The open and save dialogs over `owner`, starting in the data folder; the chosen path in the
// file system's encoding, none when cancelled.
std::optional<std::string> AskLibraryFileToOpen(
    CWindowWnd& owner, const std::string& dataFolder, const LibraryFileKind& kind);
std::optional<std::string> AskLibraryFileToSave(
    CWindowWnd& owner, const std::string& dataFolder, const LibraryFileKind& kind);

// A record's row at the end of a library list, scrolled into view.
void AppendLibraryRow(CListUI& list, std::u16string_view name);

} // namespace kestrin
