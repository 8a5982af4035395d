#pragma once
// Pages of a report.

#include "report/frxClass_bands.h"

// Any page of a report.
class TfrxPage : public TfrxComponent {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxPage(QObject* owner = nullptr);

protected:
    bool Publishes(const char* propertyName) const override;
};

// A printable page with paper, margins and objects.
class TfrxReportPage : public TfrxPage {
    Q_OBJECT
    Q_CLASSINFO("default:Orientation", "poPortrait")
    Q_CLASSINFO("default:Bin", "7")
    Q_CLASSINFO("default:BinOtherPages", "7")
    Q_CLASSINFO("default:Columns", "0")
    Q_CLASSINFO("default:Duplex", "dmNone")
    Q_CLASSINFO("default:Color", "536870911")
    Q_CLASSINFO("default:EndlessHeight", "false")
    Q_CLASSINFO("default:EndlessWidth", "false")
    Q_CLASSINFO("default:LargeDesignHeight", "false")
    Q_CLASSINFO("default:MirrorMargins", "false")
    Q_CLASSINFO("default:PrintIfEmpty", "true")
    Q_CLASSINFO("default:PrintOnPreviousPage", "false")
    Q_CLASSINFO("default:ResetPageNumbers", "false")
    Q_CLASSINFO("default:TitleBeforeHeader", "true")
    // Orientation comes before the sizes and margins, and the sizes before the paper code:
    // properties are read back in this order, and each setter depends on the ones before.
    Q_PROPERTY(frxPrinter::TPrinterOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(double PaperWidth READ PaperWidth WRITE SetPaperWidth)
    Q_PROPERTY(double PaperHeight READ PaperHeight WRITE SetPaperHeight)
    Q_PROPERTY(int PaperSize READ PaperSize WRITE SetPaperSize)
    Q_PROPERTY(double LeftMargin READ LeftMargin WRITE SetLeftMargin)
    Q_PROPERTY(double RightMargin READ RightMargin WRITE SetRightMargin)
    Q_PROPERTY(double TopMargin READ TopMargin WRITE SetTopMargin)
    Q_PROPERTY(double BottomMargin READ BottomMargin WRITE SetBottomMargin)
    Q_PROPERTY(bool MirrorMargins READ MirrorMargins WRITE SetMirrorMargins)
    Q_PROPERTY(int Bin READ Bin WRITE SetBin)
    Q_PROPERTY(int BinOtherPages READ BinOtherPages WRITE SetBinOtherPages)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(double ColumnWidth READ ColumnWidth WRITE SetColumnWidth)
    Q_PROPERTY(QStringList ColumnPositions READ ColumnPositions WRITE SetColumnPositions)
    Q_PROPERTY(frxClass::TfrxDuplexMode Duplex READ Duplex WRITE SetDuplex)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(bool PrintOnPreviousPage READ PrintOnPreviousPage WRITE SetPrintOnPreviousPage)
    Q_PROPERTY(bool ResetPageNumbers READ ResetPageNumbers WRITE SetResetPageNumbers)
    Q_PROPERTY(bool TitleBeforeHeader READ TitleBeforeHeader WRITE SetTitleBeforeHeader)
    Q_PROPERTY(bool EndlessHeight READ EndlessHeight WRITE SetEndlessHeight)
    Q_PROPERTY(bool EndlessWidth READ EndlessWidth WRITE SetEndlessWidth)
    Q_PROPERTY(bool LargeDesignHeight READ LargeDesignHeight WRITE SetLargeDesignHeight)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TfrxFrame* Frame READ Frame)
    Q_PROPERTY(TfrxDataSet* DataSet READ DataSet WRITE SetDataSet STORED false)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(QString OutlineText READ OutlineText WRITE SetOutlineText)
    Q_PROPERTY(QStringList HGuides READ HGuides WRITE SetHGuides)
    Q_PROPERTY(QStringList VGuides READ VGuides WRITE SetVGuides)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnManualBuild READ OnManualBuild WRITE SetOnManualBuild)
public:
    Q_INVOKABLE explicit TfrxReportPage(QObject* owner = nullptr);
    ~TfrxReportPage() override;

    // Paper code (9 = A4, 256 and above a user size). Below 256 the size comes from the paper
    // table, swapped for landscape; an unknown code keeps the size.
    int PaperSize() const { return m_paperSize; }
    void SetPaperSize(int code);
    // mm, in the current orientation; rounded to 8 decimals, and the paper becomes a user size.
    long double PaperWidth() const { return m_paperWidth; }
    void SetPaperWidth(long double mm);
    long double PaperHeight() const { return m_paperHeight; }
    void SetPaperHeight(long double mm);
    // Swaps the paper sides and turns the margins with the sheet.
    TPrinterOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TPrinterOrientation o);

    long double LeftMargin() const { return m_leftMargin; } // mm
    void SetLeftMargin(long double v) { m_leftMargin = v; }
    long double RightMargin() const { return m_rightMargin; }
    void SetRightMargin(long double v) { m_rightMargin = v; }
    long double TopMargin() const { return m_topMargin; }
    void SetTopMargin(long double v) { m_topMargin = v; }
    long double BottomMargin() const { return m_bottomMargin; }
    void SetBottomMargin(long double v) { m_bottomMargin = v; }
    bool MirrorMargins() const { return m_mirrorMargins; }
    void SetMirrorMargins(bool v) { m_mirrorMargins = v; }
    int Bin() const { return m_bin; }
    void SetBin(int v) { m_bin = v; }
    int BinOtherPages() const { return m_binOtherPages; }
    void SetBinOtherPages(int v) { m_binOtherPages = v; }
    int Columns() const { return m_columns; }
    void SetColumns(int v) { m_columns = v; }
    long double ColumnWidth() const { return m_columnWidth; }
    void SetColumnWidth(long double v) { m_columnWidth = v; }
    QStringList ColumnPositions() const { return m_columnPositions; }
    void SetColumnPositions(const QStringList& v) { m_columnPositions = v; }
    frxClass::TfrxDuplexMode Duplex() const { return m_duplex; }
    void SetDuplex(frxClass::TfrxDuplexMode v) { m_duplex = v; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool v) { m_printIfEmpty = v; }
    bool PrintOnPreviousPage() const { return m_printOnPreviousPage; }
    void SetPrintOnPreviousPage(bool v) { m_printOnPreviousPage = v; }
    bool ResetPageNumbers() const { return m_resetPageNumbers; }
    void SetResetPageNumbers(bool v) { m_resetPageNumbers = v; }
    bool TitleBeforeHeader() const { return m_titleBeforeHeader; }
    void SetTitleBeforeHeader(bool v) { m_titleBeforeHeader = v; }
    bool EndlessHeight() const { return m_endlessHeight; }
    void SetEndlessHeight(bool v) { m_endlessHeight = v; }
    bool EndlessWidth() const { return m_endlessWidth; }
    void SetEndlessWidth(bool v) { m_endlessWidth = v; }
    bool LargeDesignHeight() const { return m_largeDesignHeight; }
    void SetLargeDesignHeight(bool v) { m_largeDesignHeight = v; }
    frxClass::TColor Color() const { return m_color; }
    void SetColor(frxClass::TColor v) { m_color = v; }
    TfrxFrame* Frame() const { return m_frame.get(); }
    // The background picture as the bytes of a picture file (PNG, JPEG, BMP...); empty: none.
    // Stored with the page's binary data.
    const QByteArray& BackPicture() const { return m_backPicture; }
    void SetBackPicture(const QByteArray& v);
    // Draws the background picture stretched over the printable area of the page drawn at
    // the scales and offsets (pixels; the offsets are the paper's corner).
    void DrawBackground(platform::Canvas* canvas, long double scaleX, long double scaleY,
                        long double offsetX, long double offsetY) const;
    void Assign(const TfrxComponent* source) override;
    void WriteBinaryProperties(QDataStream& out) const override;
    bool ReadBinaryProperties(QDataStream& in) override;
    TfrxDataSet* DataSet() const;
    void SetDataSet(TfrxDataSet* v);
    QString DataSetName() const;
    void SetDataSetName(const QString& v);
    QString OutlineText() const { return m_outlineText; }
    void SetOutlineText(const QString& v) { m_outlineText = v; }
    QStringList HGuides() const { return m_hGuides; }
    void SetHGuides(const QStringList& v) { m_hGuides = v; }
    QStringList VGuides() const { return m_vGuides; }
    void SetVGuides(const QStringList& v) { m_vGuides = v; }
    QString OnBeforePrint() const { return m_onBeforePrint; }
    void SetOnBeforePrint(const QString& v) { m_onBeforePrint = v; }
    QString OnAfterPrint() const { return m_onAfterPrint; }
    void SetOnAfterPrint(const QString& v) { m_onAfterPrint = v; }
    QString OnManualBuild() const { return m_onManualBuild; }
    void SetOnManualBuild(const QString& v) { m_onManualBuild = v; }

    // For pages created interactively: 10 mm margins and the current printer's default sheet.
    virtual void ApplyPrinterDefaults();
    // Width and height from the paper less the margins, then the children by their Align and
    // the bands across the page width.
    void LayOutChildren() override;

private:
    int m_paperSize = DMPAPER_A4;
    long double m_paperWidth = 210, m_paperHeight = 297;
    TPrinterOrientation m_orientation = poPortrait;
    long double m_leftMargin = 0, m_rightMargin = 0, m_topMargin = 0, m_bottomMargin = 0;
    bool m_mirrorMargins = false;
    int m_bin = DMBIN_AUTO, m_binOtherPages = DMBIN_AUTO;
    int m_columns = 0;
    long double m_columnWidth = 0;
    QStringList m_columnPositions;
    frxClass::TfrxDuplexMode m_duplex = frxClass::dmNone;
    bool m_printIfEmpty = true;
    bool m_printOnPreviousPage = false;
    bool m_resetPageNumbers = false;
    bool m_titleBeforeHeader = true;
    bool m_endlessHeight = false, m_endlessWidth = false, m_largeDesignHeight = false;
    frxClass::TColor m_color = frxClass::clTransparent;
    QByteArray m_backPicture;
    mutable QImage m_backImage; // m_backPicture decoded, on first draw
    mutable bool m_backDecoded = false;
    std::unique_ptr<TfrxFrame> m_frame;
    QPointer<TfrxDataSet> m_dataSet;
    QString m_dataSetName;
    QString m_outlineText;
    QStringList m_hGuides, m_vGuides;
    QString m_onBeforePrint, m_onAfterPrint, m_onManualBuild;
};

// A page of a dot-matrix report, as prepared report files from such reports hold it: a report
// page whose objects are dot-matrix texts.
class TfrxDMPPage : public TfrxReportPage {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxDMPPage(QObject* owner = nullptr);
};

// Holder of data components; 1000 x 1000 px.
class TfrxDataPage : public TfrxPage {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxDataPage(QObject* owner = nullptr);

protected:
    bool Publishes(const char* propertyName) const override;
};

// A page of dialog controls. Objects on it have no absolute position beyond the page.
class TfrxDialogPage : public TfrxPage {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxDialogPage(QObject* owner = nullptr);
};
