// The result panel's contents, drawn from a log's summary: its text in the
// user's language and the ground-track drawing as a picture.
#pragma once

#include <string>

#include <QImage>
#include <QSize>
#include <QString>

#include "report/log_report.h"

// Points and segments, the time span in UTC, the distance, and what was left
// out of the track and why; one item a line.
QString SummaryText(const report::Summary &summary);

// The SVG drawn at `size` (logical pixels) for a screen of `ratio` device
// pixels each; a null picture when Qt cannot read it. An image, not a pixmap,
// so that the conversion's thread draws it: a long track takes tens of
// milliseconds, which the window would stand still for.
QImage TrackPicture(const std::string &svg, QSize size, qreal ratio);
