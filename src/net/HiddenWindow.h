// The "hidden window" of a network component: a QObject that receives the
// component's posted messages (QEvent::User + n) on the thread that owns it and
// hands them to the component. Used by the socket layer and the HTTP client.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <cstdint>
#include <functional>

namespace verdane {

// One posted message: its number (relative to QEvent::User) and two parameters,
// the two numbers every message of the socket layer carries. `serial` lets a
// component drop messages posted for a connection or request that has ended.
class TMessageEvent : public QEvent {
public:
    TMessageEvent(int msg, std::uintptr_t wParam, std::intptr_t lParam, std::uint64_t serial)
        : QEvent(static_cast<QEvent::Type>(QEvent::User + msg)), Msg(msg), WParam(wParam), LParam(lParam),
          Serial(serial) {}
    int Msg;
    std::uintptr_t WParam;
    std::intptr_t LParam;
    std::uint64_t Serial;
};

class THiddenWindow : public QObject {
public:
    using Handler = std::function<void(const TMessageEvent&)>;
    explicit THiddenWindow(Handler handler) : handler_(std::move(handler)) {}

    // Stops delivery to the component, for a window that outlives it briefly.
    void Detach() { handler_ = nullptr; }

    // Queues a message; it is handled by a later pass of the event loop, never
    // before Post returns. Safe to call from any thread while the window lives.
    void Post(int msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0, std::uint64_t serial = 0) {
        QCoreApplication::postEvent(this, new TMessageEvent(msg, wParam, lParam, serial));
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() >= QEvent::User && e->type() <= QEvent::MaxUser) {
            if (auto* message = dynamic_cast<TMessageEvent*>(e)) {
                // A copy: the handler may detach the window (its component deleted).
                if (Handler handler = handler_) handler(*message);
                return true;
            }
        }
        return QObject::event(e);
    }

private:
    Handler handler_;
};

}  // namespace verdane
