#pragma once

#include <QEventLoop>
#include <QMetaObject>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

// Runs a blocking call (opening the link, configuring the FPGA) on a worker thread while
// the user-interface thread keeps handling events, so that the gauge climbs, the
// animation plays and the window repaints; returns the call's result once it has ended.
// The caller keeps its controls disabled meanwhile: events are handled, so a second
// press must find nothing to press. `work` must not touch widgets.
template<typename Work> auto RunOffUiThread(Work&& work) -> std::invoke_result_t<Work&>
{
    using Result = std::invoke_result_t<Work&>;
    QEventLoop loop;
    std::optional<Result> result;
    std::thread worker([&] {
        result.emplace(work());
        // Queued, so a quit posted before exec() starts is still seen by exec().
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return std::move(*result);
}
