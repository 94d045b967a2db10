#pragma once

#include "base/FileResult.h"
#include "base/RecordNames.h"
#include "ui/ListUI.h"
#include "ui/WindowImplBase.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

// A record file's kind in the file dialogs: "Macro File", "*.macro;*.MACRO", "macro".
struct LibraryFileKind {
    QString filterName;
    QString filter;
    QString extension;
};

// The text ids of one library's names and prompts.
struct LibraryTexts {
    QString newName; // a new record's name, before its number
    QString full;
    QString askDelete;
    QString fileUnreadable;
    QString fileHeld; // the file's values were held to the mouse's ranges
    QString exportFailed;
};

// What the macro and the recoil pattern library windows share: the list of records, adding,
// deleting, importing and exporting one, and telling of saves and renames. The window keeps the
// editor, finds `list_` and shows the selected record.
class CLibraryWnd : public WindowImplBase {
public:
    // Told of every save of the library's data file, so the page's footer knows of a failure.
    std::function<void(const SaveResult&)> onSaved;
    // Told of every rename: the record's index and the name it had.
    std::function<void(int index, std::u16string_view oldName)> onRenamed;

    // Popup child of `parent`, centred, modal; always 1. A window kept between openings (see
    // SetKeptWhenClosed) is made once and shows the library afresh each time.
    int Run(CWindowWnd* parent);

protected:
    CLibraryWnd(std::string dataFolder, LibraryFileKind files, LibraryTexts texts);

    // After the selected record changed: the list's selection and the record's controls.
    virtual void ShowSelected() = 0;
    // The records and nothing selected, as at the window's first opening.
    virtual void ShowLibraryAfresh() = 0;
    virtual std::u16string CurrentName() const = 0;
    // The line that shows a failed save; looked up at each save, as the window may be gone.
    virtual CControlUI* SaveLine() = 0;

    template <class Editor> void Observe(Editor& editor)
    {
        editor.SetSaveObserver([this](const SaveResult& result) { Saved(result); });
        editor.SetRenameObserver([this](int index, std::u16string_view oldName) {
            if (onRenamed)
                onRenamed(index, oldName);
        });
    }

    template <class Records> void ShowRecords(const Records& records)
    {
        if (list_)
            list_->RemoveAll();
        for (const auto& record : records)
            AppendRow(ReadName(record->name));
        FocusList();
    }

    std::u16string NewName() const;
    // The row of the record just added at `index`, and it shown; -1 says the library is full.
    void ShowAdded(int index);
    // Asks first; `remove` drops the record of the selected row from the editor.
    void DeleteSelected(const std::function<void(int row)>& remove);

    // `read` reads a record file at a path; `take` adds its record under a free name and returns
    // the index, -1 when the library is full.
    template <class Read, class Take> void ImportFile(Read read, Take take)
    {
        const std::optional<std::string> path = AskFileToOpen();
        if (!path)
            return;
        auto file = read(*path);
        if (!file.ok()) {
            Tell(texts_.fileUnreadable);
            return;
        }
        const int index = take(std::move(file.value.record), NewName());
        ShowAdded(index);
        if (index >= 0 && file.value.held)
            Tell(texts_.fileHeld);
    }

    template <class Record, class Write> void ExportFile(const Record* record, Write write)
    {
        if (!record)
            return;
        const std::optional<std::string> path = AskFileToSave();
        if (path && !write(*path, *record).ok())
            Tell(texts_.exportFailed);
    }

    const std::string dataFolder_;
    CListUI* list_ = nullptr;

private:
    void Saved(const SaveResult& result);
    void AppendRow(std::u16string_view name);
    void FocusList();
    // The file dialogs start in the data folder; the chosen path in the file system's encoding.
    std::optional<std::string> AskFileToOpen();
    std::optional<std::string> AskFileToSave();
    void Tell(const QString& textId);

    const LibraryFileKind files_;
    const LibraryTexts texts_;
};

} // namespace kestrin
