#pragma once
// The private CUPS server of the printing tests (tools/cups.sh): where it is, the jobs on its
// queue, and the PDFs its queue writes.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <cups/cups.h>
#include <gtest/gtest.h>

inline QString Env(const char* name) { return QString::fromLocal8Bit(qgetenv(name)); }

// The server's coordinates; a missing one fails the test that needs it.
struct CupsEnv {
    QString server, queue, pdfOut;
};

inline ::testing::AssertionResult ReadEnv(CupsEnv& env) {
    env.server = Env("CUPS_SERVER");
    env.queue = Env("SUMDRILL_CUPS_QUEUE");
    env.pdfOut = Env("SUMDRILL_CUPS_PDF_OUT");
    if (env.server.isEmpty() || env.queue.isEmpty() || env.pdfOut.isEmpty())
        return ::testing::AssertionFailure()
               << "no private CUPS server: run the tests through ./dev test, or first "
                  "eval \"$(tools/cups.sh start)\" (CUPS_SERVER, SUMDRILL_CUPS_QUEUE and "
                  "SUMDRILL_CUPS_PDF_OUT must be set)";
    return ::testing::AssertionSuccess();
}

// Page count and the size of each page in points, from pdfinfo.
struct PdfInfo {
    int pages = -1;
    QList<QSizeF> sizes;
};

inline PdfInfo ReadPdf(const QString& file) {
    PdfInfo info;
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"),
                                        QStringLiteral("-l"), QStringLiteral("100"), file});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return info;
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression pagesRe(QStringLiteral("^Pages:\\s+(\\d+)"),
                                            QRegularExpression::MultilineOption);
    static const QRegularExpression sizeRe(
        QStringLiteral("^Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"),
        QRegularExpression::MultilineOption);
    if (auto m = pagesRe.match(out); m.hasMatch())
        info.pages = m.captured(1).toInt();
    for (auto it = sizeRe.globalMatch(out); it.hasNext();) {
        auto m = it.next();
        info.sizes << QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return info;
}

// Left and top of the first word `word` on page 1, in points from the sheet's corner.
inline QPointF WordPosition(const QString& file, const QString& word) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"),
                                          QStringLiteral("1"), QStringLiteral("-l"),
                                          QStringLiteral("1"), file, QStringLiteral("-")});
    if (!p.waitForFinished(20000))
        return {-1, -1};
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpression re(QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>%1<")
                                    .arg(word));
    const auto m = re.match(out);
    if (!m.hasMatch())
        return {-1, -1};
    return {m.captured(1).toDouble(), m.captured(2).toDouble()};
}

inline int ActiveJobs(const QString& queue) {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0,
                               CUPS_WHICHJOBS_ACTIVE);
    cupsFreeJobs(n, jobs);
    return n;
}

// Jobs of any state on the queue whose title is `title`.
inline int JobsTitled(const QString& queue, const QString& title) {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0,
                               CUPS_WHICHJOBS_ALL);
    int found = 0;
    for (int i = 0; i < n; ++i)
        if (QString::fromUtf8(jobs[i].title) == title)
            ++found;
    cupsFreeJobs(n, jobs);
    return found;
}

// An attribute of the job titled `title`, as text (keywords, names and integers).
inline QString JobAttribute(const QString& queue, const QString& title, const char* name) {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0,
                               CUPS_WHICHJOBS_ALL);
    int id = 0;
    for (int i = 0; i < n; ++i)
        if (QString::fromUtf8(jobs[i].title) == title)
            id = jobs[i].id;
    cupsFreeJobs(n, jobs);
    if (id == 0)
        return QStringLiteral("<no job>");
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    char uri[256];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                     "/jobs/%d", id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    QString value = QStringLiteral("<absent>");
    if (ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ZERO)) {
        if (ippGetValueTag(a) == IPP_TAG_INTEGER)
            value = QString::number(ippGetInteger(a, 0));
        else
            value = QString::fromUtf8(ippGetString(a, 0, nullptr));
    }
    ippDelete(response);
    return value;
}

// Waits until the queue is idle and a PDF whose name starts with `title` is in the output
// directory; returns its path (empty after 60 s).
inline QString WaitForPdf(const CupsEnv& env, const QString& title) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        if (ActiveJobs(env.queue) == 0) {
            const QStringList files = QDir(env.pdfOut).entryList(
                {title + QStringLiteral("*.pdf")}, QDir::Files);
            if (!files.isEmpty())
                return QDir(env.pdfOut).filePath(files.first());
        }
        QThread::msleep(100);
    }
    return QString();
}

// A title no other test uses.
inline QString UniqueTitle(const char* what) {
    static int n = 0;
    return QStringLiteral("sumdrill-%1-%2-%3")
        .arg(QString::fromLatin1(what))
        .arg(QCoreApplication::applicationPid())
        .arg(++n);
}


// A grey image of page `page` of a PDF at `dpi`; null when it cannot be made.
inline QImage RasterisePdf(const QString& file, int page, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("page"));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"),
            {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
             QString::number(page), QStringLiteral("-r"), QString::number(dpi),
             QStringLiteral("-gray"), QStringLiteral("-singlefile"), file, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".pgm"));
}

// The highest job id on the queue, of any state; 0 when it has none.
inline int LastJobId(const QString& queue) {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 0,
                               CUPS_WHICHJOBS_ALL);
    int id = 0;
    for (int i = 0; i < n; ++i)
        id = std::max(id, jobs[i].id);
    cupsFreeJobs(n, jobs);
    return id;
}

// The document a client sent for job `id`, as the server keeps it in its spool.
inline QString SentDocument(const CupsEnv& env, int id) {
    const QString dir = env.server.section(QLatin1Char('/'), 0, -2);
    return QStringLiteral("%1/spool/d%2-001").arg(dir).arg(id, 5, 10, QLatin1Char('0'));
}

// The text of a PDF in content order (pdftotext -raw); empty when it has none.
inline QString PdfText(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), QStringLiteral("-enc"),
                                          QStringLiteral("UTF-8"), file, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}
