#include "resources/frxRes.h"

#include <QStringList>

#include <algorithm>

namespace {

struct Entry {
    const char* key;
    const char* text;
};

// Numbered texts first (captions and hints of the engine's windows), then the named ones.
// "prDupl" is deliberately absent: a duplicate-name error shows its key.
constexpr Entry kTable[] = {
    // Common buttons and the print dialog's page choices
    {"1", "OK"},
    {"2", "Cancel"},
    {"3", "All"},
    {"4", "Current page"},
    {"5", "Pages:"},
    {"9", "Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12"},

    // Preview window
    {"100", "Preview"},
    {"101", "Print"},
    {"102", "Print"},
    {"103", "Open"},
    {"104", "Open"},
    {"105", "Save"},
    {"106", "Save"},
    {"107", "Export"},
    {"108", "Export"},
    {"109", "Find"},
    {"110", "Find"},
    {"119", "Zoom"},
    {"120", "Page Settings"},
    {"121", "Page Settings"},
    {"124", "Zoom In"},
    {"125", "Zoom In"},
    {"126", "Zoom Out"},
    {"127", "Zoom Out"},
    {"128", "Outline"},
    {"129", "Report outline"},
    {"130", "Thumbnails"},
    {"131", "Thumbnails"},
    {"132", "Edit"},
    {"133", "Edit Page"},
    {"134", "First"},
    {"135", "First Page"},
    {"136", "Prior"},
    {"137", "Prior Page"},
    {"138", "Next"},
    {"139", "Next Page"},
    {"140", "Last"},
    {"141", "Last Page"},
    {"142", "Page Number"},
    {"150", "Full Screen"},
    {"151", "Export to PDF"},
    {"152", "Send by E-mail"},

    // Print dialog
    {"200", "Print"},
    {"201", "Printer"},
    {"202", "Pages"},
    {"203", "Number of copies"},
    {"204", "Collate"},
    {"205", "Copies"},
    {"206", "Print"},
    {"207", "Other"},
    {"208", "Where:"},
    {"209", "Properties..."},
    {"210", "Print to file"},
    {"211", "Order"},
    {"212", "Name:"},
    {"213", "Print mode"},
    {"214", "Print on sheet"},
    {"216", "Duplex"},

    // Find dialog
    {"300", "Find Text"},
    {"301", "Text to find:"},
    {"302", "Search options"},
    {"303", "Replace with"},
    {"304", "Search from beginning"},
    {"305", "Case sensitive"},

    // Page settings dialog
    {"400", "Page Settings"},
    {"401", "Width"},
    {"402", "Height"},
    {"403", "Size"},
    {"404", "Orientation"},
    {"405", "Left"},
    {"406", "Top"},
    {"407", "Right"},
    {"408", "Bottom"},
    {"409", "Margins"},
    {"410", "Portrait"},
    {"411", "Landscape"},
    {"412", "Other"},
    {"413", "Apply to the current page"},
    {"414", "Apply to all pages"},

    // Outline pop-up
    {"600", "Expand all"},
    {"601", "Collapse all"},

    // Preparation, expressions and errors
    {"clErrors", "The following error(s) have occured:"},
    {"clExprError", "Error in expression"},
    {"clDSNotExist", "Dataset \"%s\" does not exist"},
    {"clScrError", "Script error at %s: %s"},
    {"mbError", "Error"},
    {"xrCantFindClass", "Cannot find class"},
    {"enGroups", "%s: groups are not supported yet"},
    {"enColumns", "%s: columns are not supported yet"},
    {"enKeepTogether", "%s: keeping bands together is not supported yet"},
    {"enSplit", "%s: splitting a band across pages is not supported yet"},
    {"enSubreports", "%s: sub-reports are not supported yet"},
    {"enDetailBands", "%s: detail data bands are not supported yet"},
    {"enChildBands", "%s: child bands are not supported yet"},
    {"enDialogs", "%s: dialog pages are not supported yet"},
    {"enEndless", "%s: pages of endless height or width are not supported yet"},
    {"enAggregates", "Aggregate functions are not supported yet (%s)"},
    {"enBandRole", "%s: a band of class %s has no place on a report page"},
    {"enDataSetConflict", "%s: the data set \"%s\" is already walked by its page or the report"},
    {"enNoStore", "No prepared pages store is installed"},
    {"enNoPreview", "No preview window is installed"},

    // Progress
    {"prRunning", "Preparing page %d"},
    {"prRunningFirst", "First pass: page %d"},
    {"prExporting", "Exporting page %d"},
    {"prPrinting", "Printing page %d"},

    // Preview status, buttons, zoom list and files
    {"clPageOf", "Page %d of %d"},
    {"clFirstPass", "First pass: page"},
    {"clClose", "Close"},
    {"clCancel", "Cancel"},
    {"zmPageWidth", "Page width"},
    {"zmWholePage", "Whole page"},
    {"clPGXfiles", "Prepared Report"},
    {"clSaving", "Saving file..."},
    {"clLoading", "Loading file..."},

    // Printers
    {"prDefault", "Default"},
    {"prCustom", "Custom"},
    {"prVirtual", "Virtual"},
    {"clNoPrinters", "No printers installed on your system"},

    // Print dialog lists
    {"ppAll", "All pages"},
    {"ppOdd", "Odd pages"},
    {"ppEven", "Even pages"},
    {"poDirect", "Direct (1-9)"},
    {"poReverse", "Reverse (9-1)"},
    {"dupDefault", "Default"},
    {"dupVert", "Vertical"},
    {"dupHorz", "Horizontal"},
    {"dupSimpl", "Simplex"},
    {"pmDefault", "Default"},
    {"pmSplit", "Split big pages"},
    {"pmJoin", "Join small pages"},
    {"pmScale", "Scale"},
    {"pgDefault", "Default"},
    {"prNoCurrent", "No page is shown in a preview"},
    {"prSheetSize", "The print mode \"%s\" needs a sheet of known size: choose a paper under \"%s\""},
    {"prNoPageMatch", "No page of the report matches \"%s\": nothing was printed"},
    {"prNotValid", "Printer selected is not valid"},
    {"prCannotStart", "Cannot start printing on %s"},
    {"prCannotSend", "Cannot send data to %s"},
    {"prCannotCreate", "Cannot create file %s"},

    // Page settings units
    {"uCm", "cm"},
    {"uInch", "in"},
};

} // namespace

TfrxResources::TfrxResources() {
    m_texts.reserve(std::size(kTable));
    for (const Entry& e : kTable)
        m_texts.insert(QString::fromUtf8(e.key), QString::fromUtf8(e.text));
}

QString TfrxResources::Get(const QString& key) const {
    const auto it = m_texts.constFind(key);
    if (it == m_texts.constEnd())
        return key;
    const QString& text = it.value();
    return text.startsWith(QLatin1Char('!')) ? text.mid(1) : text;
}

QString TfrxResources::Get(int id) const { return Get(QString::number(id)); }

bool TfrxResources::Contains(const QString& key) const { return m_texts.contains(key); }

void TfrxResources::Add(const QString& key, const QString& text) { m_texts.insert(key, text); }

QStringList TfrxResources::Keys() const {
    QStringList keys = m_texts.keys();
    std::sort(keys.begin(), keys.end());
    return keys;
}

TfrxResources* frxResources() {
    static TfrxResources resources;
    return &resources;
}

QString frxGet(int id) { return frxResources()->Get(id); }

QString frxGet(const QString& key) { return frxResources()->Get(key); }

QString frxFillIn(QString text, const QStringList& values) {
    qsizetype from = 0;
    for (const QString& v : values) {
        const qsizetype at = text.indexOf(QLatin1String("%s"), from);
        if (at < 0)
            break;
        text.replace(at, 2, v);
        from = at + v.size();
    }
    return text;
}
