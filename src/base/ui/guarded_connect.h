// Qt must not see an exception leave a slot. Handlers that may throw are connected through
// ConnectGuarded: the exception stops at the slot and goes to the application's default report,
// the message box the user sees for any escaped exception.
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace karvelm {

// Set by the application object; without one an exception stopped at a slot is dropped.
void SetExceptionReport(std::function<void(const std::string&)> report);
// Passes the exception being handled to the report. Only inside a catch block.
void ReportCurrentException() noexcept;

namespace guarded_detail {

// A handler may take the signal's arguments or none, as a slot may.
template <typename Handler, typename... Args>
void Invoke(Handler& handler, Args&&... args) noexcept {
  try {
    if constexpr (std::is_invocable_v<Handler&, Args...>) {
      handler(std::forward<Args>(args)...);
    } else {
      handler();
    }
  } catch (...) {
    ReportCurrentException();
  }
}

}  // namespace guarded_detail

template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection ConnectGuarded(const Sender* sender, Signal signal, const QObject* context,
                                       Handler handler) {
  return QObject::connect(sender, signal, context,
                          [handler = std::move(handler)](auto&&... args) mutable {
                            guarded_detail::Invoke(handler, std::forward<decltype(args)>(args)...);
                          });
}

// A member handler without arguments.
template <typename Sender, typename Signal, typename Receiver>
QMetaObject::Connection ConnectGuarded(const Sender* sender, Signal signal, Receiver* receiver,
                                       void (Receiver::*handler)()) {
  return ConnectGuarded(sender, signal, static_cast<const QObject*>(receiver),
                        [receiver, handler] { (receiver->*handler)(); });
}

}  // namespace karvelm
