// The least a Qt program does to show the launcher's picture and a line of text: the yardstick
// the benchmark holds the real program against.
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {

class Splash : public QWidget {
public:
    Splash() : picture_(QStringLiteral(":/splash.jpg"))
    {
        setFixedSize(599, 427);
        setWindowTitle(QStringLiteral("Bare Qt window"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        font_.setPixelSize(16);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(QPoint(0, 0), picture_);
        painter.setFont(font_);
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 400, 599, 27), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("Look through the folders and files on this disc."));
    }

private:
    QImage picture_;
    QFont font_{QStringLiteral("Arial")};
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    Splash window;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.move((screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2);
    window.show();
    return QApplication::exec();
}
