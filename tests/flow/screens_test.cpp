// Pictures of every window of the exam flow at 800 × 600, as the candidate
// sees them. With KAV_SCREENS_DIR set they are saved there as PNG files.
#include <QImage>
#include <QGuiApplication>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include "client/flow/drawing.h"
#include "client/flow/login.h"
#include "client/flow/toolbar.h"
#include "client/flow/ui/app.h"
#include "client/flow/ui/artwork.h"
#include "client/flow/ui/forms.h"
#include "tests/flow/flow_lab.h"

namespace kavlor::test {
namespace {

// The screen as composed from the visible windows, bottom to top.
QImage screen(std::initializer_list<QWidget*> windows) {
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(QColor(38, 70, 83));  // the desktop
    QPainter p(&image);
    for (QWidget* w : windows)
        if (w && w->isVisible()) p.drawPixmap(w->geometry().topLeft(), w->grab());
    return image;
}

void save(const QImage& image, const char* name) {
    EXPECT_EQ(image.size(), QSize(800, 600));
    // A picture of one colour would mean a window drew nothing.
    const QRgb corner = image.pixel(400, 300);
    bool varied = false;
    for (int y = 0; y < 600 && !varied; y += 7)
        for (int x = 0; x < 800 && !varied; x += 7) varied = image.pixel(x, y) != corner;
    EXPECT_TRUE(varied) << name;
    if (const char* dir = std::getenv("KAV_SCREENS_DIR")) {
        EXPECT_TRUE(image.save(QString::fromLocal8Bit(dir) + "/" + name + ".png")) << name;
        // Under a real X server (xvfb-run with QT_QPA_PLATFORM=xcb) also the server's own picture.
        if (QGuiApplication::platformName() == "xcb") {
            QTest::qWait(300);
            const std::string command = std::string("import -window root '") + dir + "/x-" + name + ".png'";
            EXPECT_EQ(std::system(command.c_str()), 0) << command;
        }
    }
}

TEST(FlowScreensTest, EveryWindowOfTheExamFlow) {
    artwork::applyClientFont();
    Harness h;
    KavlorApp app(h.env());
    ASSERT_TRUE(app.start());
    save(screen({app.Form1()}), "01-splash");

    app.Form1()->FormClick();
    TForm3* form3 = app.Form3();
    save(screen({app.Form1(), form3}), "02-login");
    form3->Edit1->setText(kFirst);
    form3->BitBtn1Click();
    save(screen({app.Form1(), form3}), "03-login-checked");

    DrawingProgress progress;
    progress.stepIt(4);
    progress.visible = true;
    TForm6 form6(app, progress);
    form6.refresh();
    save(screen({&form6}), "04-drawing");
    form6.hide();

    form3->BitBtn3Click();
    save(screen({app.Form2()}), "05-instructions");

    QTest::keyClick(app.Form2(), Qt::Key_S);
    ASSERT_NE(app.Form4(), nullptr);
    h.clock.advance(65'000);
    app.Form5()->Button3Click();
    save(screen({app.Form5(), app.Form4()}), "06-exam-window");

    h.lab.setKorl(2);
    h.clock.advance(2000);
    app.Form5()->Button1Click();
    save(screen({app.Form5(), app.Form4()}), "07-exam-window-practice");

    app.Form4()->SpeedButton5Click();
    save(screen({app.Form5(), app.Form4()}), "08-toolbar-exam-window-hidden");
    app.Form4()->SpeedButton5Click();

    app.client().toolbar()->timeUpScreen().raisePassword();
    app.sync();
    save(screen({app.Form5(), app.Form_fullenter(), app.Form4()}), "09-time-up");
    app.client().toolbar()->timeUpScreen().raiseCollecting();
    app.sync();
    save(screen({app.Form5(), app.Form_fullenter(), app.Form4()}), "10-collecting");
}

}  // namespace
}  // namespace kavlor::test
