#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

// One picture the snapshot tool takes: a window built by `make`, shown offscreen, then
// brought into a state by `prepare` (hover a button, fill in a text) and grabbed into
// <name>.png.
struct TSnapshotWindow {
    QString name;
    std::function<std::unique_ptr<QWidget>()> make;
    std::function<void(QWidget&)> prepare; // may be empty
};

// Every window the tool renders; see SnapshotWindows.cpp to add one.
std::vector<TSnapshotWindow> SnapshotWindows();
