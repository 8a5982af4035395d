#pragma once
// Export of prepared pages: the filters the store's Export operation hands its pages to, and the
// PDF filter, which draws every page through the store onto a canvas over a PDF writer, each at
// its own paper size and orientation, with text kept as text in subset-embedded fonts.

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;
class TfrxPreviewPages;
namespace platform {
class PdfDocument;
}

// What the store's Export(filter) hands its pages to.
class TfrxCustomExportFilter {
public:
    virtual ~TfrxCustomExportFilter() = default;
    // True when the file was written; false when the user cancelled (nothing is left behind).
    // Raises platform::Error with the reason when the file cannot be written; a file of the
    // same name that was there before is then left as it was.
    virtual bool Export(TfrxPreviewPages& pages) = 0;
    // Caption of the filter in the preview's Export menu ("PDF file...").
    virtual QString Description() const = 0;
    // File dialog filter ("PDF files (*.pdf)") and default extension ("pdf").
    virtual QString FileFilter() const = 0;
    virtual QString DefaultExt() const = 0;

    // The file to write.
    QString FileName;
    // 0-based indexes of the pages to write, in order; empty: every page.
    QList<int> Pages;
};

class TfrxPDFExport : public TfrxCustomExportFilter {
public:
    bool Export(TfrxPreviewPages& pages) override;
    QString Description() const override;
    QString FileFilter() const override;
    QString DefaultExt() const override { return QStringLiteral("pdf"); }

    // Document information; the title defaults to the report's name.
    QString Title;
    QString Author;
    QString Subject;
    QString Creator = QStringLiteral("Sumdrill");
    // Device dots per inch of the canvas the pages are drawn on. Text positions and glyph
    // advances are whole device dots, so this is the precision of the layout in the file.
    int Resolution = 600;
    // Called with the 1-based number of each page before it is drawn, besides the report's
    // own progress; returning false cancels.
    std::function<bool(int pageNo)> OnProgress;
};

// The store's export handler: runs the filter on the pages.
bool frxExportPreviewPages(TfrxPreviewPages& pages, TfrxCustomExportFilter& filter);
// A printed document written with this PDF writer (the printing service's PdfDocumentFactory),
// so paper shows what the export shows.
std::unique_ptr<platform::PdfDocument> frxCreatePrintedDocument(QIODevice* out,
                                                                const QString& title);
// Whether a PDF filter is installed (the preview window shows its Export and PDF buttons).
bool frxHasPDFExport();
