#pragma once
// The option objects of a report: preparation, preview, printing and the report's own.

#include "report/frxClass_pages.h"

// Preparation options.
class TfrxEngineOptions : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:ConvertNulls", "true")
    Q_CLASSINFO("default:DoublePass", "false")
    Q_CLASSINFO("default:MaxMemSize", "10")
    Q_CLASSINFO("default:PrintIfEmpty", "true")
    Q_CLASSINFO("default:NewSilentMode", "simMessageBoxes")
    Q_CLASSINFO("default:UseFileCache", "false")
    Q_PROPERTY(bool ConvertNulls READ ConvertNulls WRITE SetConvertNulls)
    Q_PROPERTY(bool DoublePass READ DoublePass WRITE SetDoublePass)
    Q_PROPERTY(int MaxMemSize READ MaxMemSize WRITE SetMaxMemSize)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(frxClass::TfrxSilentMode NewSilentMode READ NewSilentMode WRITE SetNewSilentMode)
    Q_PROPERTY(bool SilentMode READ SilentMode WRITE SetSilentMode STORED false)
    Q_PROPERTY(QString TempDir READ TempDir WRITE SetTempDir)
    Q_PROPERTY(bool UseFileCache READ UseFileCache WRITE SetUseFileCache)
public:
    explicit TfrxEngineOptions(QObject* owner = nullptr) : TfrxPersistent(owner) {}
    // Back to the defaults.
    void Clear();

    bool ConvertNulls() const { return m_convertNulls; }
    void SetConvertNulls(bool v) { m_convertNulls = v; }
    bool DoublePass() const { return m_doublePass; }
    void SetDoublePass(bool v) { m_doublePass = v; }
    int MaxMemSize() const { return m_maxMemSize; }
    void SetMaxMemSize(int v) { m_maxMemSize = v; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool v) { m_printIfEmpty = v; }
    frxClass::TfrxSilentMode NewSilentMode() const { return m_newSilentMode; }
    void SetNewSilentMode(frxClass::TfrxSilentMode v) { m_newSilentMode = v; }
    // A boolean view of NewSilentMode: silent or not.
    bool SilentMode() const { return m_newSilentMode == frxClass::simSilent; }
    void SetSilentMode(bool v) { m_newSilentMode = v ? frxClass::simSilent : frxClass::simMessageBoxes; }
    QString TempDir() const { return m_tempDir; }
    void SetTempDir(const QString& v) { m_tempDir = v; }
    bool UseFileCache() const { return m_useFileCache; }
    void SetUseFileCache(bool v) { m_useFileCache = v; }
    // Not published.
    bool EnableThreadSafe = false;
    bool DestroyForms = true;

private:
    bool m_convertNulls = true;
    bool m_doublePass = false;
    int m_maxMemSize = 10;
    bool m_printIfEmpty = true;
    frxClass::TfrxSilentMode m_newSilentMode = frxClass::simMessageBoxes;
    QString m_tempDir;
    bool m_useFileCache = false;
};

// Options of the preview window.
class TfrxPreviewOptions : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:AllowEdit", "true")
    Q_CLASSINFO("default:DoubleBuffered", "true")
    Q_CLASSINFO("default:Maximized", "true")
    Q_CLASSINFO("default:MDIChild", "false")
    Q_CLASSINFO("default:Modal", "true")
    Q_CLASSINFO("default:OutlineExpand", "true")
    Q_CLASSINFO("default:OutlineVisible", "false")
    Q_CLASSINFO("default:OutlineWidth", "120")
    Q_CLASSINFO("default:PagesInCache", "50")
    Q_CLASSINFO("default:ShowCaptions", "false")
    Q_CLASSINFO("default:ThumbnailVisible", "false")
    Q_CLASSINFO("default:ZoomMode", "zmDefault")
    Q_PROPERTY(bool AllowEdit READ AllowEdit WRITE SetAllowEdit)
    Q_PROPERTY(frxClass::TfrxPreviewButtons Buttons READ Buttons WRITE SetButtons)
    Q_PROPERTY(bool DoubleBuffered READ DoubleBuffered WRITE SetDoubleBuffered)
    Q_PROPERTY(bool Maximized READ Maximized WRITE SetMaximized)
    Q_PROPERTY(bool MDIChild READ MDIChild WRITE SetMDIChild)
    Q_PROPERTY(bool Modal READ Modal WRITE SetModal)
    Q_PROPERTY(bool OutlineExpand READ OutlineExpand WRITE SetOutlineExpand)
    Q_PROPERTY(bool OutlineVisible READ OutlineVisible WRITE SetOutlineVisible)
    Q_PROPERTY(int OutlineWidth READ OutlineWidth WRITE SetOutlineWidth)
    Q_PROPERTY(int PagesInCache READ PagesInCache WRITE SetPagesInCache)
    Q_PROPERTY(bool ShowCaptions READ ShowCaptions WRITE SetShowCaptions)
    Q_PROPERTY(bool ThumbnailVisible READ ThumbnailVisible WRITE SetThumbnailVisible)
    Q_PROPERTY(double Zoom READ Zoom WRITE SetZoom)
    Q_PROPERTY(frxClass::TfrxZoomMode ZoomMode READ ZoomMode WRITE SetZoomMode)
public:
    explicit TfrxPreviewOptions(QObject* owner = nullptr) : TfrxPersistent(owner) {}
    void Clear();

    bool AllowEdit() const { return m_allowEdit; }
    void SetAllowEdit(bool v) { m_allowEdit = v; }
    frxClass::TfrxPreviewButtons Buttons() const { return m_buttons; }
    void SetButtons(frxClass::TfrxPreviewButtons v) { m_buttons = v; }
    bool DoubleBuffered() const { return m_doubleBuffered; }
    void SetDoubleBuffered(bool v) { m_doubleBuffered = v; }
    bool Maximized() const { return m_maximized; }
    void SetMaximized(bool v) { m_maximized = v; }
    bool MDIChild() const { return m_mdiChild; }
    void SetMDIChild(bool v) { m_mdiChild = v; }
    bool Modal() const { return m_modal; }
    void SetModal(bool v) { m_modal = v; }
    bool OutlineExpand() const { return m_outlineExpand; }
    void SetOutlineExpand(bool v) { m_outlineExpand = v; }
    bool OutlineVisible() const { return m_outlineVisible; }
    void SetOutlineVisible(bool v) { m_outlineVisible = v; }
    int OutlineWidth() const { return m_outlineWidth; }
    void SetOutlineWidth(int v) { m_outlineWidth = v; }
    int PagesInCache() const { return m_pagesInCache; }
    void SetPagesInCache(int v) { m_pagesInCache = v; }
    bool ShowCaptions() const { return m_showCaptions; }
    void SetShowCaptions(bool v) { m_showCaptions = v; }
    bool ThumbnailVisible() const { return m_thumbnailVisible; }
    void SetThumbnailVisible(bool v) { m_thumbnailVisible = v; }
    long double Zoom() const { return m_zoom; }
    void SetZoom(long double v) { m_zoom = v; }
    frxClass::TfrxZoomMode ZoomMode() const { return m_zoomMode; }
    void SetZoomMode(frxClass::TfrxZoomMode v) { m_zoomMode = v; }

private:
    bool m_allowEdit = true;
    frxClass::TfrxPreviewButtons m_buttons = frxClass::TfrxPreviewButtons(frxDefaultPreviewButtons);
    bool m_doubleBuffered = true;
    bool m_maximized = true;
    bool m_mdiChild = false;
    bool m_modal = true;
    bool m_outlineExpand = true;
    bool m_outlineVisible = false;
    int m_outlineWidth = 120;
    int m_pagesInCache = 50;
    bool m_showCaptions = false;
    bool m_thumbnailVisible = false;
    long double m_zoom = 1;
    frxClass::TfrxZoomMode m_zoomMode = frxClass::zmDefault;
};

// The report's print settings, edited by the print dialog.
class TfrxPrintOptions : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:Copies", "1")
    Q_CLASSINFO("default:Collate", "true")
    Q_CLASSINFO("default:PrintMode", "pmDefault")
    Q_CLASSINFO("default:PrintPages", "ppAll")
    Q_CLASSINFO("default:Reverse", "false")
    Q_CLASSINFO("default:ShowDialog", "true")
    Q_PROPERTY(int Copies READ Copies WRITE SetCopies)
    Q_PROPERTY(bool Collate READ Collate WRITE SetCollate)
    Q_PROPERTY(QString PageNumbers READ PageNumbers WRITE SetPageNumbers)
    Q_PROPERTY(QString Printer READ Printer WRITE SetPrinter)
    Q_PROPERTY(frxClass::TfrxPrintMode PrintMode READ PrintMode WRITE SetPrintMode)
    Q_PROPERTY(int PrintOnSheet READ PrintOnSheet WRITE SetPrintOnSheet)
    Q_PROPERTY(frxClass::TfrxPrintPages PrintPages READ PrintPages WRITE SetPrintPages)
    Q_PROPERTY(bool Reverse READ Reverse WRITE SetReverse)
    Q_PROPERTY(bool ShowDialog READ ShowDialog WRITE SetShowDialog)
public:
    explicit TfrxPrintOptions(QObject* owner = nullptr);
    void Clear();

    int Copies() const { return m_copies; }
    void SetCopies(int v) { m_copies = v; }
    bool Collate() const { return m_collate; }
    void SetCollate(bool v) { m_collate = v; }
    QString PageNumbers() const { return m_pageNumbers; }
    void SetPageNumbers(const QString& v) { m_pageNumbers = v; }
    QString Printer() const { return m_printer; }
    void SetPrinter(const QString& v) { m_printer = v; }
    frxClass::TfrxPrintMode PrintMode() const { return m_printMode; }
    void SetPrintMode(frxClass::TfrxPrintMode v) { m_printMode = v; }
    int PrintOnSheet() const { return m_printOnSheet; }
    void SetPrintOnSheet(int v) { m_printOnSheet = v; }
    frxClass::TfrxPrintPages PrintPages() const { return m_printPages; }
    void SetPrintPages(frxClass::TfrxPrintPages v) { m_printPages = v; }
    bool Reverse() const { return m_reverse; }
    void SetReverse(bool v) { m_reverse = v; }
    bool ShowDialog() const { return m_showDialog; }
    void SetShowDialog(bool v) { m_showDialog = v; }

private:
    int m_copies = 1;
    bool m_collate = true;
    QString m_pageNumbers;
    QString m_printer;
    frxClass::TfrxPrintMode m_printMode = frxClass::pmDefault;
    int m_printOnSheet = 0;
    frxClass::TfrxPrintPages m_printPages = frxClass::ppAll;
    bool m_reverse = false;
    bool m_showDialog = true;
};

// Descriptive data of a report.
class TfrxReportOptions : public TfrxPersistent {
    Q_OBJECT
    Q_CLASSINFO("default:Compressed", "false")
    Q_PROPERTY(QString Author READ Author WRITE SetAuthor)
    Q_PROPERTY(bool Compressed READ Compressed WRITE SetCompressed)
    Q_PROPERTY(QString ConnectionName READ ConnectionName WRITE SetConnectionName)
    Q_PROPERTY(double CreateDate READ CreateDate WRITE SetCreateDate)
    Q_PROPERTY(QStringList Description READ Description WRITE SetDescription)
    Q_PROPERTY(QString InitString READ InitString WRITE SetInitString)
    Q_PROPERTY(double LastChange READ LastChange WRITE SetLastChange)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(QString VersionBuild READ VersionBuild WRITE SetVersionBuild)
    Q_PROPERTY(QString VersionMajor READ VersionMajor WRITE SetVersionMajor)
    Q_PROPERTY(QString VersionMinor READ VersionMinor WRITE SetVersionMinor)
    Q_PROPERTY(QString VersionRelease READ VersionRelease WRITE SetVersionRelease)
public:
    explicit TfrxReportOptions(QObject* owner = nullptr);
    // Back to the defaults; both dates become now.
    void Clear();

    QString Author() const { return m_author; }
    void SetAuthor(const QString& v) { m_author = v; }
    bool Compressed() const { return m_compressed; }
    void SetCompressed(bool v) { m_compressed = v; }
    QString ConnectionName() const { return m_connectionName; }
    void SetConnectionName(const QString& v) { m_connectionName = v; }
    // Date-times as day counts from 1899-12-30.
    double CreateDate() const { return m_createDate; }
    void SetCreateDate(double v) { m_createDate = v; }
    QStringList Description() const { return m_description; }
    void SetDescription(const QStringList& v) { m_description = v; }
    QString InitString() const { return m_initString; }
    void SetInitString(const QString& v) { m_initString = v; }
    double LastChange() const { return m_lastChange; }
    void SetLastChange(double v) { m_lastChange = v; }
    QString Name() const { return m_name; }
    void SetName(const QString& v) { m_name = v; }
    QString Password() const { return m_password; }
    void SetPassword(const QString& v) { m_password = v; }
    QString VersionBuild() const { return m_versionBuild; }
    void SetVersionBuild(const QString& v) { m_versionBuild = v; }
    QString VersionMajor() const { return m_versionMajor; }
    void SetVersionMajor(const QString& v) { m_versionMajor = v; }
    QString VersionMinor() const { return m_versionMinor; }
    void SetVersionMinor(const QString& v) { m_versionMinor = v; }
    QString VersionRelease() const { return m_versionRelease; }
    void SetVersionRelease(const QString& v) { m_versionRelease = v; }

private:
    QString m_author;
    bool m_compressed = false;
    QString m_connectionName;
    double m_createDate = 0;
    QStringList m_description;
    QString m_initString;
    double m_lastChange = 0;
    QString m_name, m_password;
    QString m_versionBuild, m_versionMajor, m_versionMinor, m_versionRelease;
};
