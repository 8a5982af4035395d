#include "report/frxExprFormat.h"

#include "report/frxScript.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <limits>

namespace {

QString Q(const char* s) { return QString::fromLatin1(s); }

constexpr int kMaxWidth = 10000;        // a width or precision beyond this is a mistake, not a format
constexpr qsizetype kMaxOutput = 1 << 20; // characters of one formatted text

[[noreturn]] void Bad(const QString& piece) {
    throw frx::ScriptError(Q("Format '%1' invalid or incompatible with argument").arg(piece));
}

QString Group(const QString& digits, QChar thousand) {
    if (thousand.isNull())
        return digits;
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += thousand;
        out += digits[i];
    }
    return out;
}

// Fixed notation with exactly `decimals` decimals, '.' replaced by `decimal`.
QString Fixed(double v, int decimals, QChar decimal, QChar thousand) {
    QString s = QString::number(std::fabs(v), 'f', decimals);
    QString intPart = s, frac;
    const qsizetype dot = s.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        intPart = s.left(dot);
        frac = s.mid(dot + 1);
    }
    QString out = Group(intPart, thousand);
    if (!frac.isEmpty())
        out += decimal + frac;
    const bool negative = v < 0 && s.contains(QRegularExpression(Q("[1-9]")));
    return negative ? QLatin1Char('-') + out : out;
}

QString Scientific(double v, int digits, QChar decimal) {
    if (digits < 1)
        digits = 1;
    if (digits > 18)
        digits = 18;
    QString s = QString::number(v, 'e', digits - 1); // -d.ddde+XX
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    QString mant = s.left(e);
    const int exp = s.mid(e + 1).toInt();
    mant.replace(QLatin1Char('.'), decimal);
    return mant + QLatin1Char('E') + (exp < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QString::number(std::abs(exp)).rightJustified(3, QLatin1Char('0'));
}

bool FloatArg(const Variant& v, double& d) {
    if (v.IsInteger() || v.IsFloat() || v.IsDateTime()) {
        d = v.ToFloat();
        return true;
    }
    return false;
}

bool IntArg(const Variant& v, std::int64_t& n) {
    if (v.IsInteger()) {
        n = v.IntValue();
        return true;
    }
    if (v.IsBoolean()) {
        n = v.BoolValue() ? 1 : 0;
        return true;
    }
    return false;
}

} // namespace

namespace frx {

QString FormatText(const QString& format, const QList<Variant>& args, QChar decimal) {
    QString out;
    qsizetype argIndex = 0;
    const QChar thousand = QLocale::system().groupSeparator().isEmpty()
                               ? QLatin1Char(',')
                               : QLocale::system().groupSeparator().at(0);
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        const qsizetype start = i;
        ++i;
        if (i < format.size() && format[i] == QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        auto piece = [&] { return format.mid(start, i - start + 1); };
        auto number = [&](int& value) -> bool {
            if (i < format.size() && format[i] == QLatin1Char('*')) {
                ++i;
                if (argIndex >= args.size() || !args[argIndex].IsInteger())
                    Bad(piece());
                const std::int64_t n = args[argIndex++].IntValue();
                if (n < -kMaxWidth || n > kMaxWidth)
                    Bad(piece());
                value = int(n);
                return true;
            }
            bool any = false;
            value = 0;
            while (i < format.size() && format[i].isDigit() && format[i].unicode() < 128) {
                value = value * 10 + (format[i].unicode() - '0');
                if (value > kMaxWidth)
                    Bad(piece());
                ++i;
                any = true;
            }
            return any;
        };
        // An argument index is digits followed by ':'; otherwise the digits are the width.
        {
            qsizetype k = i;
            int index = 0;
            while (k < format.size() && format[k].isDigit() && format[k].unicode() < 128 &&
                   index <= kMaxWidth)
                index = index * 10 + (format[k++].unicode() - '0');
            if (k > i && k < format.size() && format[k] == QLatin1Char(':')) {
                argIndex = index;
                i = k + 1;
            }
        }
        bool left = false;
        if (i < format.size() && format[i] == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        int width = 0;
        number(width);
        if (width < 0) {
            left = true;
            width = -width;
        }
        int prec = -1;
        if (i < format.size() && format[i] == QLatin1Char('.')) {
            ++i;
            int p = 0;
            number(p);
            prec = p < 0 ? -1 : p;
        }
        if (i >= format.size())
            Bad(format.mid(start));
        const QChar type = format[i].toLower();
        if (argIndex >= args.size())
            Bad(piece());
        const Variant& arg = args[argIndex++];
        QString text;
        double d = 0;
        std::int64_t n = 0;
        switch (type.unicode()) {
        case 'd':
        case 'u': {
            if (!IntArg(arg, n) || (type == QLatin1Char('u') && n < 0))
                Bad(piece());
            QString digits = QString::number(n < 0 ? -(n + 1) + 1ULL : std::uint64_t(n));
            if (n == std::numeric_limits<std::int64_t>::min())
                digits = Q("9223372036854775808");
            if (prec > digits.size())
                digits = digits.rightJustified(prec, QLatin1Char('0'));
            text = n < 0 ? QLatin1Char('-') + digits : digits;
            break;
        }
        case 'x': {
            if (!IntArg(arg, n))
                Bad(piece());
            text = QString::number(static_cast<std::uint64_t>(n), 16).toUpper();
            if (prec > text.size())
                text = text.rightJustified(prec, QLatin1Char('0'));
            break;
        }
        case 'p': {
            if (!IntArg(arg, n))
                Bad(piece());
            text = QString::number(static_cast<std::uint64_t>(n), 16).toUpper().rightJustified(16, QLatin1Char('0'));
            break;
        }
        case 'e':
            if (!FloatArg(arg, d))
                Bad(piece());
            text = std::isfinite(d) ? Scientific(d, prec < 0 ? 15 : prec, decimal) : FloatToText(d, decimal);
            break;
        case 'f':
        case 'n':
        case 'm':
            if (!FloatArg(arg, d))
                Bad(piece());
            if (!std::isfinite(d)) {
                text = FloatToText(d, decimal);
                break;
            }
            if (std::fabs(d) >= 1e18) { // beyond the fixed range: shown as in general format
                text = FloatToText(d, decimal, 15);
                break;
            }
            text = Fixed(d, prec < 0 ? 2 : std::min(prec, 18), decimal,
                         type == QLatin1Char('f') ? QChar() : thousand);
            break;
        case 'g':
            if (!FloatArg(arg, d))
                Bad(piece());
            text = FloatToText(d, decimal, prec <= 0 ? 15 : std::min(prec, 18));
            break;
        case 's':
            if (arg.IsString())
                text = arg.StringValue();
            else if (arg.IsBlank())
                text = QString();
            else
                Bad(piece());
            if (prec >= 0 && prec < text.size())
                text.truncate(prec);
            break;
        default:
            Bad(piece());
        }
        if (text.size() < width)
            text = left ? text.leftJustified(width) : text.rightJustified(width);
        out += text;
        if (out.size() > kMaxOutput)
            throw frx::ScriptError(Q("Formatted text too long"));
        ++i;
    }
    return out;
}

QString FormatFloatPicture(const QString& picture, double value, QChar decimal, QChar thousand) {
    if (!std::isfinite(value))
        return FloatToText(value, decimal);
    // Sections, split at ';' outside quotes.
    QStringList sections;
    {
        QString cur;
        QChar quote;
        for (QChar c : picture) {
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
            } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                quote = c;
            } else if (c == QLatin1Char(';')) {
                sections << cur;
                cur.clear();
                continue;
            }
            cur += c;
        }
        sections << cur;
    }
    QString section = sections[0];
    bool addMinus = value < 0;
    if (value < 0 && sections.size() > 1 && !sections[1].isEmpty()) {
        section = sections[1];
        addMinus = false;
    } else if (value == 0 && sections.size() > 2 && !sections[2].isEmpty()) {
        section = sections[2];
    }
    if (section.isEmpty())
        return FloatToText(value, decimal);

    // Read the section into items.
    struct Item {
        enum Kind { Zero, Hash, Literal } kind;
        QString text;
    };
    std::vector<Item> intItems, fracItems;
    QString prefix, suffix;
    bool seenDot = false, grouping = false, seenDigit = false;
    int expDigits = -1;
    bool expPlus = false;
    QString expText;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QChar c = section[i];
        std::vector<Item>& items = seenDot ? fracItems : intItems;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = section.indexOf(c, i + 1);
            const QString lit = section.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? section.size() : end;
            if (expDigits >= 0)
                suffix += lit;
            else if (!seenDigit)
                prefix += lit;
            else
                items.push_back({Item::Literal, lit});
            continue;
        }
        if (expDigits < 0 && (c == QLatin1Char('0') || c == QLatin1Char('#'))) {
            seenDigit = true;
            items.push_back({c == QLatin1Char('0') ? Item::Zero : Item::Hash, QString()});
            continue;
        }
        if (expDigits >= 0 && c == QLatin1Char('0') && suffix.isEmpty()) {
            ++expDigits;
            continue;
        }
        if (c == QLatin1Char('.') && !seenDot && expDigits < 0) {
            seenDot = true;
            seenDigit = true;
            continue;
        }
        if (c == QLatin1Char(',') && !seenDot && expDigits < 0) {
            grouping = true;
            continue;
        }
        if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && expDigits < 0 && seenDigit &&
            i + 1 < section.size() &&
            (section[i + 1] == QLatin1Char('+') || section[i + 1] == QLatin1Char('-'))) {
            expText = QString(c);
            expPlus = section[i + 1] == QLatin1Char('+');
            expDigits = 0;
            ++i;
            continue;
        }
        if (expDigits >= 0 || (!seenDigit && intItems.empty()))
            (expDigits >= 0 ? suffix : prefix) += c;
        else
            items.push_back({Item::Literal, QString(c)});
    }
    // Literals after the last placeholder belong to the suffix.
    auto trailing = [&](std::vector<Item>& items) {
        while (!items.empty() && items.back().kind == Item::Literal && expDigits < 0) {
            suffix.prepend(items.back().text);
            items.pop_back();
        }
    };
    if (!fracItems.empty() || seenDot) {
        trailing(fracItems);
    } else {
        trailing(intItems);
    }
    int minFrac = 0, maxFrac = 0;
    for (const Item& it : fracItems)
        if (it.kind != Item::Literal) {
            ++maxFrac;
            if (it.kind == Item::Zero)
                minFrac = maxFrac;
        }
    int intPlaces = 0, minInt = 0;
    {
        bool zeroSeen = false;
        for (const Item& it : intItems) {
            if (it.kind == Item::Literal)
                continue;
            ++intPlaces;
            if (it.kind == Item::Zero)
                zeroSeen = true;
            if (zeroSeen)
                ++minInt;
        }
    }

    double v = std::fabs(value);
    QString expPart;
    if (expDigits >= 0) {
        int exp = 0;
        if (v != 0) {
            const int lead = std::min(std::max(intPlaces, 1), 18);
            exp = static_cast<int>(std::floor(std::log10(v))) - (lead - 1);
            v /= std::pow(10.0, exp);
            // Rounding may carry into one more leading digit.
            const double rounded = std::round(v * std::pow(10.0, maxFrac)) / std::pow(10.0, maxFrac);
            if (rounded >= std::pow(10.0, lead)) {
                v /= 10;
                ++exp;
            }
        }
        QString e = QString::number(std::abs(exp)).rightJustified(std::max(expDigits, 1), QLatin1Char('0'));
        expPart = expText + (exp < 0 ? Q("-") : expPlus ? Q("+") : QString()) + e;
    }
    if (v >= 1e18 && expDigits < 0)
        return (value < 0 ? Q("-") : QString()) + FloatToText(v, decimal, 15);
    // Digits past what a double holds are zeros; they are padded on below.
    QString fixed = QString::number(v, 'f', std::min(maxFrac, 30));
    if (maxFrac > 30)
        fixed += QString(maxFrac - 30, QLatin1Char('0'));
    const qsizetype dot = fixed.indexOf(QLatin1Char('.'));
    QString intDigits = dot < 0 ? fixed : fixed.left(dot);
    QString fracDigits = dot < 0 ? QString() : fixed.mid(dot + 1);
    while (fracDigits.size() > minFrac && fracDigits.endsWith(QLatin1Char('0')))
        fracDigits.chop(1);
    if (intDigits == Q("0"))
        intDigits.clear();
    if (intDigits.size() < minInt)
        intDigits = intDigits.rightJustified(minInt, QLatin1Char('0'));

    QString intText;
    if (grouping || intItems.empty()) {
        intText = Group(intDigits, grouping ? thousand : QChar());
        for (const Item& it : intItems)
            if (it.kind == Item::Literal)
                intText += it.text; // interior literals with grouping: kept after the digits
    } else {
        // Right to left: each placeholder takes a digit; the leftmost takes all that remain.
        qsizetype pos = intDigits.size();
        int placesLeft = intPlaces;
        for (auto it = intItems.rbegin(); it != intItems.rend(); ++it) {
            if (it->kind == Item::Literal) {
                if (pos > 0 || it + 1 == intItems.rend() || placesLeft > 0)
                    intText.prepend(it->text);
                continue;
            }
            --placesLeft;
            if (placesLeft == 0) {
                intText.prepend(intDigits.left(pos));
                pos = 0;
            } else if (pos > 0) {
                intText.prepend(intDigits[--pos]);
            }
        }
    }
    QString fracText;
    {
        qsizetype pos = 0;
        for (const Item& it : fracItems) {
            if (it.kind == Item::Literal)
                fracText += it.text;
            else if (pos < fracDigits.size())
                fracText += fracDigits[pos++];
        }
    }
    QString number = intText;
    if (!fracDigits.isEmpty())
        number += decimal + fracText;
    const bool nonZero = intDigits.contains(QRegularExpression(Q("[1-9]"))) ||
                         fracDigits.contains(QRegularExpression(Q("[1-9]")));
    return (addMinus && nonZero ? Q("-") : QString()) + prefix + number + expPart + suffix;
}

QString FormatDateTimeText(const QString& format, const QDateTime& dt) {
    const QLocale loc = QLocale::system();
    const QDate date = dt.date();
    const QTime time = dt.time();
    QChar dateSep = QLatin1Char('/');
    for (QChar c : loc.dateFormat(QLocale::ShortFormat))
        if (!c.isLetterOrNumber() && !c.isSpace() && c != QLatin1Char('\'')) {
            dateSep = c;
            break;
        }
    auto count = [&](qsizetype i, QChar c) {
        qsizetype n = 0;
        while (i + n < format.size() && format[i + n].toLower() == c)
            ++n;
        return n;
    };
    const QString lower = format.toLower();
    bool hasAmPm = lower.contains(Q("am/pm")) || lower.contains(Q("a/p")) || lower.contains(Q("ampm"));
    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        const QChar l = c.toLower();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = format.indexOf(c, i + 1);
            out += format.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        if (lower.mid(i, 5) == Q("am/pm")) {
            const bool pm = time.hour() >= 12;
            out += format.mid(i, 5).at(0).isUpper() ? (pm ? Q("PM") : Q("AM")) : (pm ? Q("pm") : Q("am"));
            i += 5;
            continue;
        }
        if (lower.mid(i, 3) == Q("a/p")) {
            const bool pm = time.hour() >= 12;
            out += format[i].isUpper() ? (pm ? Q("P") : Q("A")) : (pm ? Q("p") : Q("a"));
            i += 3;
            continue;
        }
        if (lower.mid(i, 4) == Q("ampm")) {
            out += time.hour() >= 12 ? loc.pmText() : loc.amText();
            i += 4;
            continue;
        }
        switch (l.unicode()) {
        case 'c':
            out += Variant(dt).ToString();
            ++i;
            break;
        case 'd': {
            const qsizetype n = count(i, l);
            if (n == 1)
                out += QString::number(date.day());
            else if (n == 2)
                out += QString::number(date.day()).rightJustified(2, QLatin1Char('0'));
            else if (n == 3)
                out += loc.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            else if (n == 4)
                out += loc.dayName(date.dayOfWeek(), QLocale::LongFormat);
            else if (n == 5)
                out += loc.toString(date, QLocale::ShortFormat);
            else
                out += loc.toString(date, QLocale::LongFormat);
            i += std::min<qsizetype>(n, 6);
            afterHour = false;
            break;
        }
        case 'm': {
            const qsizetype n = count(i, l);
            if (afterHour && n <= 2) {
                out += n == 1 ? QString::number(time.minute())
                              : QString::number(time.minute()).rightJustified(2, QLatin1Char('0'));
            } else if (n == 1) {
                out += QString::number(date.month());
            } else if (n == 2) {
                out += QString::number(date.month()).rightJustified(2, QLatin1Char('0'));
            } else if (n == 3) {
                out += loc.monthName(date.month(), QLocale::ShortFormat);
            } else {
                out += loc.monthName(date.month(), QLocale::LongFormat);
            }
            afterHour = false;
            i += std::min<qsizetype>(n, 4);
            break;
        }
        case 'y': {
            const qsizetype n = count(i, l);
            out += n <= 2 ? QString::number(date.year() % 100).rightJustified(2, QLatin1Char('0'))
                          : QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
            i += n;
            afterHour = false;
            break;
        }
        case 'h': {
            const qsizetype n = count(i, l);
            int h = time.hour();
            if (hasAmPm) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += n == 1 ? QString::number(h) : QString::number(h).rightJustified(2, QLatin1Char('0'));
            i += std::min<qsizetype>(n, 2);
            afterHour = true;
            continue;
        }
        case 'n': {
            const qsizetype n = count(i, l);
            out += n == 1 ? QString::number(time.minute())
                          : QString::number(time.minute()).rightJustified(2, QLatin1Char('0'));
            i += std::min<qsizetype>(n, 2);
            break;
        }
        case 's': {
            const qsizetype n = count(i, l);
            out += n == 1 ? QString::number(time.second())
                          : QString::number(time.second()).rightJustified(2, QLatin1Char('0'));
            i += std::min<qsizetype>(n, 2);
            break;
        }
        case 'z': {
            const qsizetype n = count(i, l);
            out += n < 3 ? QString::number(time.msec())
                         : QString::number(time.msec()).rightJustified(3, QLatin1Char('0'));
            i += std::min<qsizetype>(n, 3);
            break;
        }
        case 't': {
            const qsizetype n = count(i, l);
            out += time.toString(n == 1 ? Q("hh:mm") : Q("hh:mm:ss"));
            i += std::min<qsizetype>(n, 2);
            break;
        }
        case '/':
            out += dateSep;
            ++i;
            break;
        default:
            out += c;
            ++i;
            break;
        }
    }
    return out;
}

} // namespace frx
