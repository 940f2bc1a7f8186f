#pragma once

#include <QListWidget>

namespace quorvex {

// A directory list: the folders from the root down to the open folder, then the open folder's
// subfolders. A double-click (or Enter) opens the folder under it; a single click only
// highlights, so path() stays the open folder until one is opened.
class DirectoryList : public QListWidget {
    Q_OBJECT

public:
    explicit DirectoryList(QWidget* parent = nullptr);

    // The open folder, absolute, without a trailing "/" (except the root itself).
    QString path() const { return m_path; }
    // Opens a folder; false (and nothing changes) when it is not a readable folder.
    bool setPath(const QString& path);
    // Reads the open folder's subfolders again.
    void refresh();

Q_SIGNALS:
    void pathChanged(const QString& path);

private:
    void openItem(QListWidgetItem* item);

    QString m_path;
};

} // namespace quorvex
