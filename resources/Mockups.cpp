#include "resources/Mockups.h"

#include "resources/Resources.h"

#include <QPainter>

namespace resources {
namespace {

void Frame(QPainter& p, const QString& name, int x, int y, int frame = FrameNormal, const QString& caption = {})
{
    const QImage img = LoadBitmap(name);
    const int h = img.height() / 4;
    p.drawImage(QPoint(x, y), img, QRect(0, frame * h, img.width(), h));
    if (caption.isEmpty())
        return;
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(8);
    p.setFont(f);
    p.setPen(frame == FramePressed ? QColor(0, 234, 255) : frame == FrameDisabled ? QColor(150, 150, 150) : Qt::white);
    p.drawText(QRect(x, y, img.width(), h), Qt::AlignCenter, caption);
}

void Text(QPainter& p, int x, int y, const QString& text, const QColor& colour, int size = 10, bool bold = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(size);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QPoint(x, y + p.fontMetrics().ascent()), text);
}

// Draws a picture keyed on its bottom-left pixel, as the bitmap cache does.
void Keyed(QPainter& p, const QString& name, int x, int y)
{
    QImage img = LoadBitmap(name).convertToFormat(QImage::Format_ARGB32);
    const QRgb key = img.pixel(0, img.height() - 1);
    for (int yy = 0; yy < img.height(); ++yy)
        for (int xx = 0; xx < img.width(); ++xx)
            if (img.pixel(xx, yy) == key)
                img.setPixel(xx, yy, 0);
    p.drawImage(x, y, img);
}

const QColor kHeading(0, 234, 255);

QImage MainWindow(bool withPage)
{
    QImage img = LoadBitmap(QStringLiteral("MAIN_UI")).copy();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    static const char* const kTabs[]
        = {"LED", "7-SEG", "Switches", "Memory", "G-Sensor", "SD Card", "LCD", "IR RX", "RS232", "Video", "HSMC"};
    for (int i = 0; i < 11; ++i) {
        const int col = i < 6 ? 0 : 1, row = i < 6 ? i : i - 6;
        Frame(p, QStringLiteral("TAB_BUTTON"), 8 + 98 * col, 289 + 40 * row, i == 1 ? FrameHover : FrameNormal,
            QString::fromLatin1(kTabs[i]));
    }
    Frame(p, QStringLiteral("CLOSE_BTN"), 559, 19);
    Frame(p, QStringLiteral("MINI_BTN"), 520, 19, FrameHover);
    Frame(p, QStringLiteral("ABOUT_BTN"), 481, 19);
    Frame(p, withPage ? QStringLiteral("DISCONNECT_BTN") : QStringLiteral("CONNECT_BTN"), 124, 510);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    p.setFont(f);
    p.setPen(QColor(0, 255, 0));
    p.drawText(QRect(164, 8, 292, 16), Qt::AlignCenter, QStringLiteral("Qelvano - VX5h-260 Control Panel V1.0.0"));
    p.setPen(withPage ? QColor(0, 128, 0) : QColor(255, 0, 0));
    p.drawText(QRect(30, 540, 92, 22), Qt::AlignCenter,
        withPage ? QStringLiteral("Connected") : QStringLiteral("Disconnected"));
    if (withPage) {
        const QImage page = LoadBitmap(QStringLiteral("TAB_DLG_BK"));
        p.drawImage(QPoint(204, 288), page, QRect(0, 0, 387, 276));
        for (int k = 0; k < 9; ++k)
            for (int row = 0; row < 3; ++row)
                Frame(p, row == 0 ? QStringLiteral("LEDG_LIGHT_BTN") : QStringLiteral("LEDR_LIGHT_BTN"),
                    204 + 332 - 38 * k, 288 + 40 + 70 * row, (k + row) % 3 ? FrameNormal : FrameHover);
        Frame(p, QStringLiteral("NORMAL_BTN"), 204 + 106, 288 + 243, FrameNormal, QStringLiteral("Light All"));
        Frame(p, QStringLiteral("NORMAL_BTN"), 204 + 218, 288 + 243, FrameNormal, QStringLiteral("Unlight All"));
        p.drawImage(227, 564, LoadBitmap(QStringLiteral("INFO_ICON")));
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(QColor(255, 246, 0));
        p.drawText(QRect(245, 562, 329, 16), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Monitor Switches and Pushbuttons..."));
    } else {
        const QList<QImage> frames = LoadAnimationFrames(QStringLiteral("WELCOME_AVI"));
        if (!frames.isEmpty())
            p.drawImage(204, 288, frames.at(40));
    }
    // The board regions, all at once.
    static const int kRegions[17][4] = {{235, 221, 108, 19}, {186, 241, 244, 9}, {186, 251, 170, 15},
        {357, 251, 70, 15}, {363, 161, 34, 41}, {447, 187, 15, 13}, {469, 210, 10, 13}, {429, 235, 35, 35},
        {408, 169, 25, 31}, {412, 174, 25, 31}, {427, 209, 22, 22}, {453, 148, 9, 14}, {454, 102, 9, 12},
        {359, 186, 101, 35}, {349, 40, 44, 29}, {410, 40, 40, 29}, {464, 91, 13, 78}};
    if (!withPage) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(Qt::yellow, 1));
        p.setBrush(Qt::NoBrush);
        for (const auto& r : kRegions)
            p.drawRect(r[0], r[1], r[2] - 1, r[3] - 1);
    }
    return img;
}

QImage Page(const QString& background) { return LoadBitmap(background).copy(0, 0, 387, 276); }

QImage MemoryPage()
{
    QImage img = Page(QStringLiteral("MEMORY_DLG_BK"));
    QPainter p(&img);
    Text(p, 16, 16, QStringLiteral("Memory Type"), kHeading);
    p.fillRect(102, 12, 270, 20, QColor(64, 64, 64));
    Text(p, 106, 15, QStringLiteral("SSRAM-0 (100000h WORDS, 2 MB)"), Qt::white, 9);
    Text(p, 16, 41, QStringLiteral("Random Access"), kHeading);
    for (auto [x, y, w, label, lx, ly] :
        {std::tuple{62, 59, 72, "Address: ", 16, 62}, {187, 59, 64, "wDATA:", 145, 64},
            {305, 59, 64, "rDATA: ", 265, 64}, {62, 132, 72, "Address: ", 16, 135}, {187, 132, 66, "Length:", 148, 137},
            {62, 203, 72, "Address: ", 16, 206}, {187, 203, 66, "Length:", 147, 207}}) {
        p.fillRect(x, y, w, 21, Qt::white);
        Text(p, lx, ly, QString::fromLatin1(label), Qt::white, 8);
    }
    Frame(p, QStringLiteral("MIDDLE_BTN"), 13, 89, FrameDisabled, QStringLiteral("Chip Erase (260 sec)"));
    Frame(p, QStringLiteral("NORMAL_BTN"), 189, 89, FrameHover, QStringLiteral("Write"));
    Frame(p, QStringLiteral("NORMAL_BTN"), 306, 89, FrameNormal, QStringLiteral("Read"));
    Text(p, 16, 114, QStringLiteral("Sequential Write"), kHeading);
    Text(p, 295, 135, QStringLiteral("File Length"), Qt::white, 8);
    Frame(p, QStringLiteral("LONG_BTN"), 187, 162, FrameNormal, QStringLiteral("Write a File to Memory"));
    Text(p, 16, 185, QStringLiteral("Sequential Read"), kHeading);
    Text(p, 295, 209, QStringLiteral("Entire Memory"), Qt::white, 8);
    Frame(p, QStringLiteral("LONG_BTN"), 187, 236, FramePressed, QStringLiteral("Load Memory Content to a File"));
    p.drawImage(22, 256, LoadBitmap(QStringLiteral("NOTE_ICON")));
    Text(p, 44, 255, QStringLiteral("Note. Please erase flash first before writing data."), Qt::red);
    return img;
}

QImage SwitchesPage()
{
    QImage img = Page(QStringLiteral("BT_DLG_BK"));
    QPainter p(&img);
    for (int i = 0; i < 4; ++i) {
        Keyed(p, i == 1 ? QStringLiteral("BUTTON_DOWN") : QStringLiteral("BUTTON_UP"), 223 - 48 * i, 18);
        Text(p, 223 - 48 * i + 8, 18 + 48, QStringLiteral("KEY%1").arg(i), Qt::white, 8);
    }
    for (int j = 0; j < 18; ++j) {
        const int x = 332 - 32 * (j % 9), y = j < 9 ? 98 : 183;
        Keyed(p, j % 3 == 0 ? QStringLiteral("SW_DOWN") : QStringLiteral("SW_UP"), x, y);
        Text(p, x - 4, y + 64, QStringLiteral("SW%1").arg(j), Qt::white, 8);
    }
    Text(p, 16, 18, QStringLiteral("Keys"), kHeading);
    Text(p, 16, 98, QStringLiteral("Switches"), kHeading);
    return img;
}

QImage SegPage()
{
    QImage img = Page(QStringLiteral("TAB_DLG_BK"));
    QPainter p(&img);
    static const int kOrigin[8][2]
        = {{244, 145}, {194, 145}, {144, 145}, {94, 145}, {270, 20}, {220, 20}, {120, 20}, {70, 20}};
    static const char* const kHex = "0123456789abcdef";
    for (int d = 0; d < 8; ++d) {
        const int x = kOrigin[d][0], y = kOrigin[d][1];
        Frame(p, QStringLiteral("RIGHT_BTN"), x + 30, y + 85, d == 2 ? FrameHover : FrameNormal);
        Frame(p, QStringLiteral("LEFT_BTN"), x + 8, y + 85, d == 3 ? FramePressed : FrameNormal);
        Keyed(p, QStringLiteral("HEX_%1").arg(QLatin1Char(kHex[(d * 5 + 3) % 16])), x + 8, y + 20);
        Text(p, x + 11, y, QStringLiteral("HEX%1").arg(d), kHeading);
    }
    return img;
}

QImage GsensorPage()
{
    QImage img = Page(QStringLiteral("GSENSOR_DLG_BK"));
    QPainter p(&img);
    const auto level = [&](const char* lv, int x, int y, int bx, int by) {
        QImage w = LoadBitmap(QString::fromLatin1(lv)).convertToFormat(QImage::Format_RGB888);
        const QImage b = LoadBitmap(QStringLiteral("XY_BUBBLE_BMP")).convertToFormat(QImage::Format_RGB888);
        for (int r = 0; r < b.height() && by + r < w.height(); ++r)
            for (int c = 0; c < b.width() * 3; ++c) {
                uchar* t = w.scanLine(by + r) + bx * 3 + c;
                const uchar s = b.constScanLine(r)[c];
                if (s)
                    *t = static_cast<uchar>((*t + s) / 2);
            }
        p.drawImage(x, y, w);
    };
    level("XY_LEVEL_BMP", 193, 117, 45, 70);
    level("X_LEVEL_BMP", 164, 64, 110, 3);
    level("Y_LEVEL_BMP", 117, 66, 2, 88);
    Text(p, 82, 32, QStringLiteral("X/Y/Z Accelerometer  (-2g~+2g)"), QColor(0, 255, 48));
    Text(p, 14, 99, QStringLiteral("X=250.3mg"), QColor(0, 255, 0), 12);
    Text(p, 14, 151, QStringLiteral("Y=-120.0mg"), QColor(0, 255, 0), 12);
    Text(p, 14, 203, QStringLiteral("Z=968.1mg"), QColor(0, 255, 0), 12);
    Text(p, 250, 88, QStringLiteral("-14.5"), QColor(0, 255, 0), 12);
    Text(p, 145, 150, QStringLiteral("7.1"), QColor(0, 255, 0), 12);
    return img;
}

QImage SdPage()
{
    QImage img = Page(QStringLiteral("SDCARD_DLG_BK"));
    QPainter p(&img);
    Text(p, 24, 8, QStringLiteral("Card Identification"), kHeading);
    p.setFont(QFont(QStringLiteral("Arial"), 8));
    p.setPen(Qt::white);
    p.drawText(QRect(32, 24, 280, 97), Qt::TextWordWrap,
        QStringLiteral("Manufacturer ID: 0x03\nOEM/Application ID: SD\nProduct Name: SU02G\nProduct Revision: "
                       "8.0\nSerial Number: 0x12345678\nManufacture Date: 2008/7"));
    Text(p, 24, 116, QStringLiteral("Card Specific Data"), kHeading);
    p.setFont(QFont(QStringLiteral("Arial"), 8));
    p.drawText(QRect(32, 132, 272, 89), Qt::TextWordWrap,
        QStringLiteral(
            "CSD Version: 1.0\nCard Capacity: 1947 MB\nMax Read Block Length: 1024\nTransfer Speed: 25 MHz"));
    Text(p, 24, 222, QStringLiteral("File System:"), kHeading);
    Text(p, 32, 238, QStringLiteral("FAT16"), Qt::white, 8);
    Frame(p, QStringLiteral("NORMAL_BTN"), 288, 226, FrameNormal, QStringLiteral("Read"));
    return img;
}

QImage HsmcPage()
{
    QImage img = Page(QStringLiteral("HSMC_DLG_BK"));
    QPainter p(&img);
    Text(p, 24, 24, QStringLiteral("HSMC Loopback Verify"), kHeading);
    Text(p, 24, 56, QStringLiteral("Loopback Installation"), kHeading);
    p.setFont(QFont(QStringLiteral("Arial"), 8));
    p.setPen(Qt::white);
    p.drawText(QRect(24, 80, 249, 73), Qt::TextWordWrap,
        QStringLiteral("Please make sure the HSMC loopback adapter has connected to the HSMC connector of "
                       "VX5h-260.\nOtherwise please follow the steps below.\n"));
    p.setPen(QColor(128, 128, 128));
    p.drawText(QRect(24, 152, 249, 81), Qt::TextWordWrap,
        QStringLiteral("1. Turn off the VX5h-260 board\n2. Plug the HSMC loopback adapter into\n    the HSMC connector "
                       "of VX5h-260\n3. Turn on the the VX5h-260 board\n4. Re-launch the VX5h-260 control panel\n"));
    Frame(p, QStringLiteral("NORMAL_BTN"), 292, 234, FrameNormal, QStringLiteral("Verify"));
    Text(p, 304, 256, QStringLiteral("PASS"), QColor(0, 128, 0), 10, true);
    return img;
}

QImage IrPage()
{
    QImage img = Page(QStringLiteral("IR_DLG_BK"));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Text(p, 32, 32, QStringLiteral("IR Receiver"), kHeading);
    Text(p, 32, 56, QStringLiteral("Scan Code (Heximal)"), Qt::white);
    p.setFont(QFont(QStringLiteral("Arial"), 10));
    p.setPen(Qt::white);
    p.drawText(QRect(97, 96, 20, 129), 0, QStringLiteral("0F\n05\n1A\n40"));
    Frame(p, QStringLiteral("NORMAL_BTN"), 73, 232, FrameNormal, QStringLiteral("Clear"));
    for (auto [i, g] : {std::pair{0, 255}, {9, 195}, {22, 150}}) {
        const QRect r(235 + 23 * (i % 4), 67 + 24 * (i / 4), 18, 18);
        p.setPen(QPen(QColor(g, g, 0), g / 50));
        p.drawEllipse(r);
    }
    return img;
}

QImage TabPage(const QString& what)
{
    QImage img = Page(QStringLiteral("TAB_DLG_BK"));
    QPainter p(&img);
    if (what == QLatin1String("lcd")) {
        Text(p, 104, 88, QStringLiteral("Character LCD"), kHeading);
        p.fillRect(101, 112, 186, 32, Qt::white);
        p.fillRect(101, 142, 186, 32, Qt::white);
        Text(p, 104, 118, QStringLiteral("VX5h-260"), Qt::black, 14);
        Text(p, 104, 148, QStringLiteral("Control Panel"), Qt::black, 14);
        Frame(p, QStringLiteral("NORMAL_BTN"), 161, 197, FrameNormal, QStringLiteral("Set"));
    } else if (what == QLatin1String("rs232")) {
        Text(p, 32, 24, QStringLiteral("RS232 TX/RX"), kHeading);
        Text(p, 32, 48, QStringLiteral("Receive:"), Qt::white);
        p.fillRect(34, 72, 320, 60, Qt::black);
        Text(p, 32, 152, QStringLiteral("Send:"), Qt::white);
        p.fillRect(34, 176, 320, 60, Qt::white);
        Frame(p, QStringLiteral("NORMAL_BTN"), 289, 242, FrameNormal, QStringLiteral("Send"));
        Frame(p, QStringLiteral("NORMAL_BTN"), 289, 138, FrameNormal, QStringLiteral("Clear"));
    } else {
        Text(p, 24, 24, QStringLiteral("VGA Pattern Display"), kHeading);
        Text(p, 32, 56, QStringLiteral("Pattern:"), Qt::white);
        p.fillRect(88, 50, 120, 21, QColor(64, 64, 64));
        Text(p, 92, 53, QStringLiteral("Composite-In"), Qt::white, 9);
        p.drawImage(32, 88, LoadBitmap(QStringLiteral("COMPOSITE")));
        p.setPen(QColor(150, 150, 150));
        p.drawRect(31, 87, 330, 170);
    }
    return img;
}

QImage AboutBox()
{
    QImage img = LoadBitmap(QStringLiteral("ABOUT_BK")).copy();
    QPainter p(&img);
    Text(p, 96, 196, QStringLiteral("VX5h-260 Control Panel"), Qt::white, 10, true);
    Text(p, 96, 223, QStringLiteral("Software Version V 1.0.0"), Qt::white, 10);
    Frame(p, QStringLiteral("NORMAL_BTN"), 118, 277, FrameNormal, QStringLiteral("Close"));
    return img;
}

// Every button bitmap side by side, its four frames from top to bottom, enlarged.
QImage ButtonSheet(int scale)
{
    QList<QImage> buttons;
    int w = 8, h = 0;
    for (const QString& name : BitmapNames())
        if (IsButtonBitmap(name)) {
            buttons << LoadBitmap(name);
            w += buttons.last().width() * scale + 8;
            h = qMax(h, buttons.last().height() * scale);
        }
    QImage sheet(w, h + 16, QImage::Format_RGB32);
    sheet.fill(QColor(90, 90, 90));
    QPainter p(&sheet);
    int x = 8;
    for (const QImage& b : buttons) {
        p.drawImage(QRect(x, 8, b.width() * scale, b.height() * scale), b);
        x += b.width() * scale + 8;
    }
    return sheet;
}

// The small pictures (switches, keys, digits, bubbles, icons) enlarged on the page colour.
QImage PictureSheet(int scale)
{
    QStringList names = {QStringLiteral("SW_UP"), QStringLiteral("SW_DOWN"), QStringLiteral("BUTTON_UP"),
        QStringLiteral("BUTTON_DOWN"), QStringLiteral("XY_BUBBLE_BMP"), QStringLiteral("INFO_ICON"),
        QStringLiteral("NOTE_ICON")};
    for (const char* d : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "a", "b", "c", "d", "e", "f"})
        names << QStringLiteral("HEX_") + QLatin1String(d);
    int w = 8, h = 0;
    for (const QString& n : names) {
        w += LoadBitmap(n).width() * scale + 6;
        h = qMax(h, LoadBitmap(n).height() * scale);
    }
    QImage sheet(w, h + 16, QImage::Format_RGB32);
    sheet.fill(QColor(27, 31, 38));
    QPainter p(&sheet);
    int x = 8;
    for (const QString& n : names) {
        const QImage b = LoadBitmap(n);
        p.drawImage(QRect(x, 8, b.width() * scale, b.height() * scale), b);
        x += b.width() * scale + 6;
    }
    return sheet;
}

} // namespace

std::vector<std::pair<QString, QImage>> Mockups()
{
    const QImage welcome = MainWindow(false);
    const QImage board
        = welcome.copy(170, 30, 330, 255).scaled(990, 765, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return {
        {QStringLiteral("mock_main_welcome.png"), welcome},
        {QStringLiteral("zoom_board.png"), board},
        {QStringLiteral("zoom_lowerleft.png"),
            welcome.copy(0, 280, 210, 320).scaled(630, 960, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)},
        {QStringLiteral("zoom_hex8.png"), LoadBitmap(QStringLiteral("HEX_8")).scaled(240, 360)},
        {QStringLiteral("zoom_title.png"),
            welcome.copy(0, 0, 620, 40).scaled(1240, 80, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)},
        {QStringLiteral("mock_main_led.png"), MainWindow(true)},
        {QStringLiteral("sheet_buttons.png"), ButtonSheet(3)},
        {QStringLiteral("sheet_pictures.png"), PictureSheet(3)},
        {QStringLiteral("mock_memory.png"), MemoryPage()},
        {QStringLiteral("mock_switches.png"), SwitchesPage()},
        {QStringLiteral("mock_seg7.png"), SegPage()},
        {QStringLiteral("mock_gsensor.png"), GsensorPage()},
        {QStringLiteral("mock_sdcard.png"), SdPage()},
        {QStringLiteral("mock_hsmc.png"), HsmcPage()},
        {QStringLiteral("mock_ir.png"), IrPage()},
        {QStringLiteral("mock_lcd.png"), TabPage(QStringLiteral("lcd"))},
        {QStringLiteral("mock_rs232.png"), TabPage(QStringLiteral("rs232"))},
        {QStringLiteral("mock_vga.png"), TabPage(QStringLiteral("vga"))},
        {QStringLiteral("mock_about.png"), AboutBox()},
    };
}

} // namespace resources
