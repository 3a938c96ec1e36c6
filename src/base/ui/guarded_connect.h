// Qt must not see an exception leave a slot. Handlers that may throw are connected through
// ConnectGuarded: the exception stops at the slot and goes to the application's default report,
// the message box the user sees for any escaped exception.
#pragma once

#include <QObject>
#include <cstddef>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace karvelm {

// Set by the application object; without one an exception stopped at a slot is dropped.
void SetExceptionReport(std::function<void(const std::string&)> report);
// Passes the exception being handled to the report. Only inside a catch block.
void ReportCurrentException() noexcept;

namespace guarded_detail {

// The number of leading signal arguments the handler takes, as Qt matches a slot.
template <typename Handler, typename Tuple, std::size_t N>
constexpr std::size_t TakenArguments() {
  constexpr bool invocable = []<std::size_t... I>(std::index_sequence<I...>) {
    return std::is_invocable_v<Handler&, std::tuple_element_t<I, Tuple>...>;
  }
  (std::make_index_sequence<N>{});
  if constexpr (invocable || N == 0) {
    return N;
  } else {
    return TakenArguments<Handler, Tuple, N - 1>();
  }
}

template <typename Handler, typename... Args>
void Invoke(Handler& handler, Args&&... args) noexcept {
  using TArgs = std::tuple<Args&&...>;
  constexpr std::size_t taken = TakenArguments<Handler, TArgs, sizeof...(Args)>();
  TArgs all(std::forward<Args>(args)...);
  try {
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      handler(std::get<I>(std::move(all))...);
    }
    (std::make_index_sequence<taken>{});
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
