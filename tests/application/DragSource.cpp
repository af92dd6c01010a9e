// A program of the desktop that drags a file: its window, pressed, starts a
// drag offering the file as text/uri-list (copy or link), says when a target
// under the pointer accepts it, and how the drag ended.
//
//   drag_source <file>

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class Source : public QWidget {
public:
    explicit Source(QString path) : path_(std::move(path))
    {
        setWindowTitle("dragsource");
        resize(160, 100);
    }

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(path_)});
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        QObject::connect(drag, &QDrag::actionChanged, [](Qt::DropAction accepted) {
            std::printf("accepted %d\n", int(accepted));
            std::fflush(stdout);
        });
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
        std::printf("drop action %d\n", int(action));
        std::fflush(stdout);
    }

private:
    QString path_;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    Source source(QString::fromLocal8Bit(argv[1]));
    source.move(1100, 700);
    source.show();
    return app.exec();
}
