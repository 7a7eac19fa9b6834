// Helpers of the window tests: driving modal windows and finding the skin's windows.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace vesmar::test {

// The first visible top-level window of type T, or nullptr.
template <class T>
T* VisibleWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) return t;
  }
  return nullptr;
}

// Runs `action` once a window of type T is visible (polled from the event loop, so it works
// while a modal loop runs). Gives up after five seconds.
template <class T>
void WhenShown(std::function<void(T*)> action) {
  auto* timer = new QTimer;
  auto* clock = new QElapsedTimer;
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, action] {
    T* window = VisibleWindow<T>();
    if (!window && clock->elapsed() < 5000) return;
    timer->stop();
    timer->deleteLater();
    delete clock;
    if (window) action(window);
  });
  timer->start(10);
}

}  // namespace vesmar::test
