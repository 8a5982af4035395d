#pragma once
// The preview's Save and Open: prepared report files (".pgx") chosen in a file dialog, written
// and read by the store while the preview shows "Saving file..." or "Loading file...".

#include <QString>

#include <functional>

class TfrxPreview;

// The name a prepared report is saved under: the chosen name with its extension replaced by
// ".pgx" (a name without one gets it).
QString frxPgxFileName(const QString& chosen);

// Save with dialog (Save button, Ctrl+S) and save to a name.
void frxSaveToFile(TfrxPreview* preview);
void frxSaveToFile(TfrxPreview* preview, const QString& fileName);
// Open with dialog (Open button, Ctrl+O) and open a name.
void frxLoadFromFile(TfrxPreview* preview);
void frxLoadFromFile(TfrxPreview* preview, const QString& fileName);

// The file dialogs: (parent, filter) -> chosen name, empty when cancelled. Qt's file dialogs
// unless others are installed as a service (tests answer them); an empty function: Qt's.
using TfrxFileNameAsker = std::function<QString(TfrxPreview* parent, const QString& filter)>;
struct TfrxFileDialogs {
    TfrxFileNameAsker Save;
    TfrxFileNameAsker Open;
};
