// A small window that drags the files named on its command line, as a file manager does: press
// the left button in it and move out. The walk-throughs use it to drop files on the editor.
//
//   kolvar_drag_source X Y FILE...   (the window's top-left corner on the screen)

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {

class TDragSource : public QLabel {
public:
    explicit TDragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
        setText(QStringLiteral("drag %1 file(s) from here").arg(urls_.size()));
        setAlignment(Qt::AlignCenter);
        setStyleSheet(QStringLiteral("background: #ffe9a8; border: 2px dashed #a07000;"));
        resize(220, 90);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        auto* data = new QMimeData;
        data->setUrls(urls_);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    }

private:
    QList<QUrl> urls_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() < 3) return 2;
    QList<QUrl> urls;
    for (const QString& file : args.mid(2))
        urls << QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    TDragSource source(urls);
    source.setWindowTitle(QStringLiteral("drag source"));
    source.move(args[0].toInt(), args[1].toInt());
    source.show();
    return app.exec();
}
