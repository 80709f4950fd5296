#pragma once

// What the tests of the board I/O and channel pages share: one simulated board per test
// program with a TBoard linked to it, the simulator's state as JSON, a recorder of the
// information line, clicks at page coordinates and the snapshot folder.

#include "SimulatedBoard.h"
#include "app/ShowInfo.h"
#include "board/Board.h"
#include "platform/Paths.h"
#include "resources/Resources.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace iopages {

struct TInfoLine {
    QString text;
    QColor colour;
};

// Collects what the page writes into the information line.
class TInfoRecorder {
public:
    TInfoRecorder()
    {
        m_Previous = SetShowInfoSink([this](const QString& text, const QColor& colour) {
            Lines.push_back({text, colour});
        });
    }
    ~TInfoRecorder() { SetShowInfoSink(std::move(m_Previous)); }
    TInfoRecorder(const TInfoRecorder&) = delete;
    TInfoRecorder& operator=(const TInfoRecorder&) = delete;

    TInfoLine Last() const { return Lines.empty() ? TInfoLine{} : Lines.back(); }
    bool Saw(const QString& text, const QColor& colour) const
    {
        for (const TInfoLine& line : Lines)
            if (line.text == text && line.colour == colour)
                return true;
        return false;
    }

    std::vector<TInfoLine> Lines;

private:
    ShowInfoSink m_Previous;
};

// One simulator and one linked board for the whole test program: starting a simulator
// and configuring its FPGA costs far more than a test.
class TBoardSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_Sim = std::make_unique<testsupport::SimulatedBoard>(true);
        platform::OverrideExecutableFolder(testsupport::SimulatedBoard::BinFolder());
        s_Board = std::make_unique<TBoard>();
    }
    static void TearDownTestSuite()
    {
        s_Board.reset();
        s_Sim.reset();
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_Sim);
        Ctl("fault none");
        if (!s_Board->IsOpen()) {
            std::string error;
            ASSERT_TRUE(s_Board->Connect(error, 0)) << error;
        }
    }

    static std::string Ctl(const std::string& args, bool* ok = nullptr) { return s_Sim->Ctl(args, ok); }
    static QJsonObject State() { return QJsonDocument::fromJson(QByteArray::fromStdString(Ctl("state"))).object(); }
    static TBoard& Board() { return *s_Board; }

    static inline std::unique_ptr<testsupport::SimulatedBoard> s_Sim;
    static inline std::unique_ptr<TBoard> s_Board;
};

inline void Click(QWidget* page, int x, int y)
{
    const QPoint at(x, y);
    QTest::mouseMove(page, at);
    QTest::mousePress(page, Qt::LeftButton, {}, at);
    QTest::mouseRelease(page, Qt::LeftButton, {}, at);
}

// Lets the event loop run until `done` holds or `budgetMs` passed; returns `done()`.
inline bool WaitFor(const std::function<bool()>& done, int budgetMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < budgetMs)
        QTest::qWait(10);
    return done();
}

// How many times `root` or a widget inside it painted while the event loop ran for `ms`.
inline int PaintsDuring(QWidget* root, int ms)
{
    class TPaintCounter : public QObject {
    public:
        explicit TPaintCounter(QWidget* root)
            : m_Root(root)
        { }
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (event->type() == QEvent::Paint && widget && (widget == m_Root || m_Root->isAncestorOf(widget)))
                ++paints;
            return false;
        }
        int paints = 0;

    private:
        QWidget* m_Root;
    } counter(root);
    QCoreApplication::instance()->installEventFilter(&counter);
    QTest::qWait(ms);
    QCoreApplication::instance()->removeEventFilter(&counter);
    return counter.paints;
}

// Shows a page as a window of its own so that it gets mouse events and paints.
inline void ShowPage(QWidget* page)
{
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page));
}

// One page of type TWindow per test, shown as a window of its own on the shared board;
// `failures` counts the link failures it raises. PrepareBoard sets up what the board
// holds before the page exists.
template<class TWindow> class TPageSuite : public TBoardSuite {
protected:
    void SetUp() override
    {
        TBoardSuite::SetUp();
        if (HasFatalFailure())
            return;
        PrepareBoard();
        if (HasFatalFailure())
            return;
        page = std::make_unique<TWindow>(nullptr);
        page->OnLinkFailure = [this] { ++failures; };
        ShowPage(page.get());
    }
    // A page left active is deactivated first, as the main window would.
    void TearDown() override
    {
        if (page && page->Board())
            page->Deactivate();
        page.reset();
    }
    virtual void PrepareBoard() { }

    std::unique_ptr<TWindow> page;
    int failures = 0;
};

// Saves the page as it is shown under <build>/snapshots/pages/<name>.png.
inline QString SaveSnapshot(QWidget* page, const QString& name)
{
    const QString folder = QString::fromStdString(testsupport::SimulatedBoard::BinFolder()) + "../snapshots/pages";
    QDir().mkpath(folder);
    const QString path = QDir::cleanPath(folder + "/" + name + ".png");
    page->grab().save(path);
    return path;
}

// The pixels of one frame of a four-frame button picture.
inline QImage ButtonFrame(const QString& resource, int frame)
{
    const QImage bitmap = resources::LoadBitmap(resource).convertToFormat(QImage::Format_RGB32);
    const int height = bitmap.height() / 4;
    return bitmap.copy(0, frame * height, bitmap.width(), height);
}

// Whether the canvas shows `resource` at `place`: every pixel of the picture matches,
// except, for a transparent picture, those of its transparent colour (bottom-left).
inline bool ShowsBitmap(const QImage* canvas, const QPoint& place, const QString& resource, bool transparent)
{
    const QImage picture = resources::LoadBitmap(resource).convertToFormat(QImage::Format_RGB32);
    if (picture.isNull())
        return false;
    const QRgb clear = picture.pixel(0, picture.height() - 1);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            if (transparent && p == clear)
                continue;
            if (canvas->pixel(place.x() + x, place.y() + y) != p)
                return false;
        }
    return true;
}

// The canvas pixels under `area`.
inline QImage CanvasPart(const QImage* canvas, const QRect& area)
{
    return canvas->copy(area).convertToFormat(QImage::Format_RGB32);
}

} // namespace iopages
