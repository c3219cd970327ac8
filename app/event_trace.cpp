#include "event_trace.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

namespace {
constexpr int TickMs = 2;
constexpr qint64 ReportedGapMs = 20;
} // namespace

EventTrace::EventTrace(const QString &path, QWidget &window)
    : QObject(&window), file_(path), window_(window) {
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return;
    clock_.start();
    if (auto *status = window.findChild<QStatusBar *>(QStringLiteral("StatusBar1")))
        connect(status, &QStatusBar::messageChanged, this,
                [this](const QString &text) { Write("status", text); });
    if (auto *progress = window.findChild<QProgressBar *>(QStringLiteral("prgProgress")))
        progress->installEventFilter(this);
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now)
            Write("focus", now->objectName());
    });
    // A precise timer that finds its own delays: a late tick is time in
    // which the event loop did not run.
    auto *ticker = new QTimer(this);
    ticker->setTimerType(Qt::PreciseTimer);
    connect(ticker, &QTimer::timeout, this, &EventTrace::Tick);
    ticker->start(TickMs);
    Write("start", QString());
}

void EventTrace::Tick() {
    const qint64 now = clock_.elapsed();
    if (lastTick_ > 0 && now - lastTick_ >= ReportedGapMs)
        Write("gap", QString::number(now - lastTick_));
    lastTick_ = now;
}

bool EventTrace::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Paint) {
        if (auto *progress = qobject_cast<QProgressBar *>(watched)) {
            if (progress->value() != lastPainted_) {
                lastPainted_ = progress->value();
                Write("paint-progress", QString::number(lastPainted_));
            }
        }
    } else if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget()) {
        // Each key once, where it is delivered first.
        const auto *key = static_cast<QKeyEvent *>(event);
        Write("key", QKeySequence(key->keyCombination()).toString());
    } else if (event->type() == QEvent::Shortcut) {
        // A mnemonic or Esc: the key press became this instead.
        Write("key", static_cast<QShortcutEvent *>(event)->key().toString());
    }
    return QObject::eventFilter(watched, event);
}

void EventTrace::Write(const char *what, const QString &detail) {
    const QByteArray line = QByteArray::number(clock_.nsecsElapsed() / 1e6, 'f', 1) + ' ' + what +
                            ' ' + detail.toUtf8() + '\n';
    file_.write(line);
}
