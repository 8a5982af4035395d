#pragma once
// Reading PDF files back with the poppler tools (pdfinfo, pdftotext, pdffonts), as a user's PDF
// reader would: page count, page sizes, the text in reading order, the fonts and whether each
// is embedded.

#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

namespace pdftools {

// Standard output of a poppler tool; empty when it fails.
inline QString Run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline int PageCount(const QString& file) {
    static const QRegularExpression re(QStringLiteral("^Pages:\\s+(\\d+)"),
                                       QRegularExpression::MultilineOption);
    const auto m = re.match(Run(QStringLiteral("pdfinfo"), {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Every page's size in points (width, height), in page order.
inline std::vector<QSizeF> PageSizes(const QString& file) {
    std::vector<QSizeF> out;
    static const QRegularExpression re(
        QStringLiteral("^Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"),
        QRegularExpression::MultilineOption);
    const QString info = Run(QStringLiteral("pdfinfo"),
                             {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                              QStringLiteral("100000"), file});
    for (auto it = re.globalMatch(info); it.hasNext();) {
        const auto m = it.next();
        out.emplace_back(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return out;
}

// The text of pages first..last (1-based; 0 for the whole file) in reading order.
inline QString Text(const QString& file, int first = 0, int last = 0) {
    QStringList args;
    if (first > 0)
        args << QStringLiteral("-f") << QString::number(first);
    if (last > 0)
        args << QStringLiteral("-l") << QString::number(last);
    args << QStringLiteral("-layout") << file << QStringLiteral("-");
    return Run(QStringLiteral("pdftotext"), args);
}

struct Font {
    QString Name;
    QString Type;
    bool Embedded = false;
    bool Subset = false;
    bool Unicode = false; // has a ToUnicode map: its text can be searched and copied
};

inline std::vector<Font> Fonts(const QString& file) {
    std::vector<Font> out;
    const QStringList lines = Run(QStringLiteral("pdffonts"), {file}).split(QLatin1Char('\n'));
    // name, type words, encoding, then emb sub uni (yes/no) and the object numbers.
    static const QRegularExpression re(
        QStringLiteral("^(\\S+)\\s+(.+?)\\s+(\\S+)\\s+(yes|no)\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$"));
    for (const QString& line : lines) {
        const auto m = re.match(line);
        if (!m.hasMatch())
            continue;
        out.push_back(Font{m.captured(1), m.captured(2), m.captured(4) == QLatin1String("yes"),
                           m.captured(5) == QLatin1String("yes"),
                           m.captured(6) == QLatin1String("yes")});
    }
    return out;
}

// Points per millimetre.
constexpr double kPtPerMm = 72.0 / 25.4;

} // namespace pdftools
