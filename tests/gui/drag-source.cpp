// A file manager's drag for GUI tests: the window "drag source" drags the files named on its
// command line (text/uri-list) over the X server's drag and drop protocol (XDND) when a button
// goes down in it. xdotool drives it: mousedown here, mousemove to the target, mouseup there. It
// prints "dropped" when the target took the files, "refused" otherwise.
//   drag-source FILE...
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <cstdio>

class DragSource : public QWidget {
    void mousePressEvent(QMouseEvent*) override
    {
        auto* data = new QMimeData;
        for (const QString& file : QApplication::arguments().mid(1)) {
            data->setUrls(data->urls() << QUrl::fromLocalFile(file));
        }
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        std::printf("%s\n", drag->exec(Qt::CopyAction) == Qt::CopyAction ? "dropped" : "refused");
        std::fflush(stdout);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    DragSource source;
    source.setWindowTitle(QStringLiteral("drag source"));
    source.resize(100, 100);
    source.show();
    return QApplication::exec();
}
