#include "result_view.h"

#include <cmath>

#include <QDateTime>
#include <QLocale>
#include <QPainter>
#include <QStringList>
#include <QSvgRenderer>
#include <QTimeZone>

#include "main_window.h"

namespace {

QString Utc(int64_t ms, const QString &format) {
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()).toString(format);
}

QString Span(double seconds) {
    const auto whole = static_cast<qint64>(std::llround(seconds));
    const qint64 h = whole / 3600;
    const qint64 min = whole / 60 % 60;
    const qint64 s = whole % 60;
    if (h > 0)
        return TfrmMain::tr("%1 h %2 min").arg(h).arg(min, 2, 10, QLatin1Char('0'));
    if (min > 0)
        return TfrmMain::tr("%1 min %2 s").arg(min).arg(s, 2, 10, QLatin1Char('0'));
    return TfrmMain::tr("%1 s").arg(s);
}

QString Distance(double metres) {
    const QLocale locale;
    if (metres < 1000)
        return TfrmMain::tr("%1 m").arg(locale.toString(metres, 'f', 0));
    return TfrmMain::tr("%1 km").arg(locale.toString(metres / 1000, 'f', metres < 100000 ? 2 : 1));
}

// The engine words what it left out in English; the known reasons are said
// in the user's language, any other as the engine says it.
QString LeftOut(uint64_t count, report::LeftOut why) {
    const int n = static_cast<int>(std::min<uint64_t>(count, INT32_MAX));
    switch (why) {
    case report::LeftOut::Undated:
        return TfrmMain::tr("%Ln epoch(s) without a date", nullptr, n);
    case report::LeftOut::NoFix:
        return TfrmMain::tr("%Ln epoch(s) without a fix", nullptr, n);
    case report::LeftOut::NotSentence:
        return TfrmMain::tr("%Ln line(s) that hold no NMEA sentence", nullptr, n);
    case report::LeftOut::BadChecksum:
        return TfrmMain::tr("%Ln sentence(s) whose checksum failed", nullptr, n);
    }
    return QString::number(count);
}

} // namespace

QString SummaryText(const report::Summary &summary) {
    QStringList lines;
    const int segments = static_cast<int>(std::min<uint64_t>(summary.segments, INT32_MAX));
    lines << TfrmMain::tr("%Ln point(s)", nullptr,
                          static_cast<int>(std::min<uint64_t>(summary.points, INT32_MAX))) +
                 QStringLiteral(", ") + TfrmMain::tr("%n segment(s)", nullptr, segments);
    if (summary.points > 0 && summary.startMs != 0) {
        const QString date = QStringLiteral("yyyy-MM-dd hh:mm:ss");
        const bool oneDay = Utc(summary.startMs, QStringLiteral("yyyyMMdd")) ==
                            Utc(summary.endMs, QStringLiteral("yyyyMMdd"));
        lines << TfrmMain::tr("%1 to %2 UTC")
                     .arg(Utc(summary.startMs, date),
                          Utc(summary.endMs, oneDay ? QStringLiteral("hh:mm:ss") : date));
        lines << TfrmMain::tr("%1 long, %2 along the track")
                     .arg(Span(summary.durationSeconds), Distance(summary.distanceMetres));
    }
    if (summary.leftOut.empty()) {
        lines << TfrmMain::tr("Nothing left out");
    } else {
        lines << TfrmMain::tr("Left out:");
        for (const auto &[count, why] : summary.leftOut)
            lines << QStringLiteral("  ") + LeftOut(count, why);
    }
    return lines.join(QLatin1Char('\n'));
}

QImage TrackPicture(const std::string &svg, QSize size, qreal ratio) {
    QSvgRenderer renderer(QByteArray::fromStdString(svg));
    if (!renderer.isValid())
        return {};
    QImage picture(size * ratio, QImage::Format_RGB32);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return picture;
}
