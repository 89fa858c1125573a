#include "widgets/DateText.hpp"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <cstdint>

namespace ambertrove::DateText {

namespace {

QDateTime localTime(Date date) {
    return QDateTime::fromMSecsSinceEpoch(std::int64_t(std::floor(date.unixSeconds() * 1000.0)));
}

// Whole calendar months from `earlier` to `later` (not before it): a month counts once its day and time
// of day are reached.
int wholeMonths(const QDateTime& earlier, const QDateTime& later) {
    const QDate a = earlier.date();
    const QDate b = later.date();
    int months = (b.year() - a.year()) * 12 + (b.month() - a.month());
    if (months > 0 && (b.day() < a.day() || (b.day() == a.day() && later.time() < earlier.time())))
        --months;
    return std::max(0, months);
}

QString phrase(std::int64_t count, const char* unit, bool future) {
    const QString number = QLocale().toString(qlonglong(count));
    const QString words =
        number + QLatin1Char(' ') + QLatin1String(unit) + (count == 1 ? QString() : QStringLiteral("s"));
    return future ? QStringLiteral("in ") + words : words + QStringLiteral(" ago");
}

} // namespace

QString relative(Date date, Date now) {
    const double seconds = now.secondsSince(date);
    if (!std::isfinite(seconds))
        return {};
    const bool future = seconds < 0;
    const double span = std::abs(seconds);
    if (span < 60)
        return phrase(std::int64_t(span), "second", future);
    if (span < 3600)
        return phrase(std::int64_t(span / 60), "minute", future);
    if (span < 86400)
        return phrase(std::int64_t(span / 3600), "hour", future);
    const QDateTime from = localTime(future ? now : date);
    const QDateTime to = localTime(future ? date : now);
    const int months = wholeMonths(from, to);
    if (months >= 12)
        return phrase(months / 12, "year", future);
    if (months >= 1)
        return phrase(months, "month", future);
    const std::int64_t days = std::int64_t(span / 86400);
    if (days >= 7)
        return phrase(days / 7, "week", future);
    return phrase(days, "day", future);
}

QString abbreviated(Date date) {
    const QLocale locale;
    QString format = locale.dateFormat(QLocale::LongFormat);
    // The long form without its weekday, its month name shortened.
    static const QRegularExpression weekday(QStringLiteral("d{4}[^dMy]*"));
    format.remove(weekday);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return locale.toString(localTime(date).date(), format.trimmed());
}

} // namespace ambertrove::DateText
