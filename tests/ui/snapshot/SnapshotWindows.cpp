#include "SnapshotWindows.h"

#include <QTest>

#include "app/UnitAbout.h"
#include "app/UnitProgress.h"

// The list of skinned windows the snapshot tool renders. To add a window: include its
// header, append an entry below (several entries may show one window in different
// states), and add its library to SNAPSHOT_WINDOW_LIBS in CMakeLists.txt.

namespace {

template <typename T>
std::unique_ptr<QWidget> Make() {
  return std::make_unique<T>(nullptr);
}

void HoverAt(QWidget& w, QPoint p) {
  QTest::mouseMove(&w, p);
}

void PressAt(QWidget& w, QPoint p) {
  QTest::mouseMove(&w, p);
  QTest::mousePress(&w, Qt::LeftButton, {}, p);
}

void ProgressMidway(QWidget& w) {
  auto& progress = static_cast<TFormProgress&>(w);
  progress.SetPercent(40);
  progress.SetStatus(QStringLiteral("Erase FLASH... 40%"));
}

} // namespace

std::vector<TSnapshotWindow> SnapshotWindows() {
  const QPoint aboutClose(118 + 32, 277 + 8);
  return {
      {"about", Make<TFormAbout>, {}},
      {"about-hover-close", Make<TFormAbout>, [=](QWidget& w) { HoverAt(w, aboutClose); }},
      {"about-pressed-close", Make<TFormAbout>, [=](QWidget& w) { PressAt(w, aboutClose); }},
      {"progress", Make<TFormProgress>, {}},
      {"progress-midway", Make<TFormProgress>, ProgressMidway},
  };
}
