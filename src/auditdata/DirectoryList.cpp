#include "auditdata/DirectoryList.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace quorvex {

namespace {

constexpr int PathRole = Qt::UserRole + 1;

QString indent(int depth) {
    return QString(depth * 2, u' ');
}

} // namespace

DirectoryList::DirectoryList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this, &DirectoryList::openItem);
}

bool DirectoryList::setPath(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !info.isReadable())
        return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = clean != m_path;
    m_path = clean;
    refresh();
    if (changed)
        Q_EMIT pathChanged(m_path);
    return true;
}

void DirectoryList::refresh() {
    clear();
    if (m_path.isEmpty())
        return;
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);

    // The chain of open folders, root first.
    QStringList chain;
    for (QDir dir(m_path);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = QDir(folder).isRoot() ? folder : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(open, indent(depth++) + name, this);
        item->setData(PathRole, folder);
    }
    QListWidgetItem* current = item(count() - 1);

    const QFileInfoList children = QDir(m_path).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                              QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& child : children) {
        auto* item = new QListWidgetItem(closed, indent(depth) + child.fileName(), this);
        item->setData(PathRole, child.absoluteFilePath());
    }
    setCurrentItem(current);
}

void DirectoryList::openItem(QListWidgetItem* item) {
    if (item != nullptr)
        setPath(item->data(PathRole).toString());
}

} // namespace quorvex
