#pragma once
// Bands, the horizontal strips of a page that hold its objects, and the subreport object.

#include "report/frxClass_views.h"

// A horizontal strip of a page holding objects.
class TfrxBand : public TfrxReportComponent {
    Q_OBJECT
    Q_CLASSINFO("default:AllowSplit", "false")
    Q_CLASSINFO("default:KeepChild", "false")
    Q_CLASSINFO("default:PrintChildIfInvisible", "false")
    Q_CLASSINFO("default:StartNewPage", "false")
    Q_CLASSINFO("default:Stretched", "false")
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(QString OnAfterCalcHeight READ OnAfterCalcHeight WRITE SetOnAfterCalcHeight)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_PROPERTY(QString OutlineText READ OutlineText WRITE SetOutlineText)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
public:
    Q_INVOKABLE explicit TfrxBand(QObject* owner = nullptr);

    bool AllowSplit() const { return m_allowSplit; }
    void SetAllowSplit(bool v) { m_allowSplit = v; }
    bool KeepChild() const { return m_keepChild; }
    void SetKeepChild(bool v) { m_keepChild = v; }
    QString OnAfterCalcHeight() const { return m_onAfterCalcHeight; }
    void SetOnAfterCalcHeight(const QString& v) { m_onAfterCalcHeight = v; }
    QString OnAfterPrint() const { return m_onAfterPrint; }
    void SetOnAfterPrint(const QString& v) { m_onAfterPrint = v; }
    QString OnBeforePrint() const { return m_onBeforePrint; }
    void SetOnBeforePrint(const QString& v) { m_onBeforePrint = v; }
    QString OutlineText() const { return m_outlineText; }
    void SetOutlineText(const QString& v) { m_outlineText = v; }
    bool PrintChildIfInvisible() const { return m_printChildIfInvisible; }
    void SetPrintChildIfInvisible(bool v) { m_printChildIfInvisible = v; }
    bool StartNewPage() const { return m_startNewPage; }
    void SetStartNewPage(bool v) { m_startNewPage = v; }
    bool Stretched() const { return m_stretched; }
    void SetStretched(bool v) { m_stretched = v; }

    // A band shows only its objects.
    void Draw(platform::Canvas*, double, double, double, double) override {}

    // Lists `objects` among the band's objects without taking them over: their parent stays
    // and the band never frees them. ReturnBorrowed drops them from the list again.
    void BorrowObjects(const QList<TfrxComponent*>& objects);
    void ReturnBorrowed();
    QByteArray DifferenceText(const TfrxComponent* source) override;

private:
    bool m_allowSplit = false;
    bool m_keepChild = false;
    QString m_onAfterCalcHeight, m_onAfterPrint, m_onBeforePrint, m_outlineText;
    bool m_printChildIfInvisible = false;
    bool m_startNewPage = false;
    bool m_stretched = false;
};

// The invisible band through which the engine outputs objects placed directly on a page.
class TfrxNullBand : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxNullBand(QObject* owner = nullptr);
};

// The bands of a report page. The engine prints a report title once at the start, a page
// header at the top and a page footer at the bottom of every page, a master data band once per
// record of its data set (or RowCount times) with its header above and its footer below, and a
// report summary at the end. The other band classes exist so that templates using them load;
// the engine refuses to prepare them with an error that names the band.

class TfrxReportTitle : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxReportTitle(QObject* owner = nullptr);
};

class TfrxReportSummary : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxReportSummary(QObject* owner = nullptr);
};

class TfrxPageHeader : public TfrxBand {
    Q_OBJECT
    Q_CLASSINFO("default:PrintOnFirstPage", "true")
    Q_PROPERTY(bool PrintOnFirstPage READ PrintOnFirstPage WRITE SetPrintOnFirstPage)
public:
    Q_INVOKABLE explicit TfrxPageHeader(QObject* owner = nullptr);
    bool PrintOnFirstPage() const { return m_printOnFirstPage; }
    void SetPrintOnFirstPage(bool v) { m_printOnFirstPage = v; }

private:
    bool m_printOnFirstPage = true;
};

class TfrxPageFooter : public TfrxBand {
    Q_OBJECT
    Q_CLASSINFO("default:PrintOnFirstPage", "true")
    Q_CLASSINFO("default:PrintOnLastPage", "true")
    Q_PROPERTY(bool PrintOnFirstPage READ PrintOnFirstPage WRITE SetPrintOnFirstPage)
    Q_PROPERTY(bool PrintOnLastPage READ PrintOnLastPage WRITE SetPrintOnLastPage)
public:
    Q_INVOKABLE explicit TfrxPageFooter(QObject* owner = nullptr);
    bool PrintOnFirstPage() const { return m_printOnFirstPage; }
    void SetPrintOnFirstPage(bool v) { m_printOnFirstPage = v; }
    bool PrintOnLastPage() const { return m_printOnLastPage; }
    void SetPrintOnLastPage(bool v) { m_printOnLastPage = v; }

private:
    bool m_printOnFirstPage = true;
    bool m_printOnLastPage = true;
};

// A page's background, or with PrintOnTop its foreground; takes no room.
class TfrxOverlay : public TfrxBand {
    Q_OBJECT
    Q_CLASSINFO("default:PrintOnTop", "false")
    Q_PROPERTY(bool PrintOnTop READ PrintOnTop WRITE SetPrintOnTop)
public:
    Q_INVOKABLE explicit TfrxOverlay(QObject* owner = nullptr);
    bool PrintOnTop() const { return m_printOnTop; }
    void SetPrintOnTop(bool v) { m_printOnTop = v; }

private:
    bool m_printOnTop = false;
};

// Column headings of a data band: printed before its first record, and again at the top of
// every following page when ReprintOnNewPage is set.
class TfrxHeader : public TfrxBand {
    Q_OBJECT
    Q_CLASSINFO("default:ReprintOnNewPage", "false")
    Q_PROPERTY(bool ReprintOnNewPage READ ReprintOnNewPage WRITE SetReprintOnNewPage)
public:
    Q_INVOKABLE explicit TfrxHeader(QObject* owner = nullptr);
    bool ReprintOnNewPage() const { return m_reprintOnNewPage; }
    void SetReprintOnNewPage(bool v) { m_reprintOnNewPage = v; }

private:
    bool m_reprintOnNewPage = false;
};

// Printed after the last record of a data band.
class TfrxFooter : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxFooter(QObject* owner = nullptr);
};

// A band printed once per record of its data set, or RowCount times without one.
class TfrxDataBand : public TfrxBand {
    Q_OBJECT
    Q_CLASSINFO("default:ColumnsCount", "0")
    Q_CLASSINFO("default:KeepTogether", "false")
    Q_CLASSINFO("default:PrintIfDetailEmpty", "false")
    Q_CLASSINFO("default:RowCount", "0")
    Q_PROPERTY(int ColumnsCount READ ColumnsCount WRITE SetColumnsCount)
    Q_PROPERTY(TfrxDataSet* DataSet READ DataSet WRITE SetDataSet STORED false)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(bool KeepTogether READ KeepTogether WRITE SetKeepTogether)
    Q_PROPERTY(bool PrintIfDetailEmpty READ PrintIfDetailEmpty WRITE SetPrintIfDetailEmpty)
    Q_PROPERTY(int RowCount READ RowCount WRITE SetRowCount)
public:
    Q_INVOKABLE explicit TfrxDataBand(QObject* owner = nullptr);
    int ColumnsCount() const { return m_columnsCount; }
    void SetColumnsCount(int v) { m_columnsCount = v; }
    TfrxDataSet* DataSet() const;
    void SetDataSet(TfrxDataSet* v);
    QString DataSetName() const;
    void SetDataSetName(const QString& v);
    bool KeepTogether() const { return m_keepTogether; }
    void SetKeepTogether(bool v) { m_keepTogether = v; }
    bool PrintIfDetailEmpty() const { return m_printIfDetailEmpty; }
    void SetPrintIfDetailEmpty(bool v) { m_printIfDetailEmpty = v; }
    int RowCount() const { return m_rowCount; }
    void SetRowCount(int v) { m_rowCount = v; }

private:
    int m_columnsCount = 0;
    QPointer<TfrxDataSet> m_dataSet;
    QString m_dataSetName;
    bool m_keepTogether = false;
    bool m_printIfDetailEmpty = false;
    int m_rowCount = 0;
};

class TfrxMasterData : public TfrxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxMasterData(QObject* owner = nullptr);
};

// Not prepared yet (see the band comment above).
class TfrxDetailData : public TfrxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxDetailData(QObject* owner = nullptr);
};

class TfrxSubdetailData : public TfrxDataBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxSubdetailData(QObject* owner = nullptr);
};

class TfrxGroupHeader : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(QString Condition READ Condition WRITE SetCondition)
public:
    Q_INVOKABLE explicit TfrxGroupHeader(QObject* owner = nullptr);
    QString Condition() const { return m_condition; }
    void SetCondition(const QString& v) { m_condition = v; }

private:
    QString m_condition;
};

class TfrxGroupFooter : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxGroupFooter(QObject* owner = nullptr);
};

class TfrxColumnHeader : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxColumnHeader(QObject* owner = nullptr);
};

class TfrxColumnFooter : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxColumnFooter(QObject* owner = nullptr);
};

class TfrxChild : public TfrxBand {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TfrxChild(QObject* owner = nullptr);
};

// A place on a band where another report page is printed (not prepared yet).
class TfrxSubreport : public TfrxView {
    Q_OBJECT
    Q_PROPERTY(QString PageName READ PageName WRITE SetPageName)
public:
    Q_INVOKABLE explicit TfrxSubreport(QObject* owner = nullptr);
    QString PageName() const { return m_pageName; }
    void SetPageName(const QString& v) { m_pageName = v; }

private:
    QString m_pageName;
};
