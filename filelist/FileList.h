#pragma once
// The file list: full file paths in the order added, one column, which the
// window shows. Every way of adding rows works on it, free of widgets.

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

class FileList : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    void setHeaderText(const QString& text);
    /// Appends one row; no test of any kind.
    void appendRow(const QString& path);
    int count() const { return int(m_rows.size()); }
    /// The text of the 0-based row; throws std::out_of_range when there is none.
    QString rowText(int row) const;
    const QStringList& rows() const { return m_rows; }
    void clear();
    /// True when a row's text equals text exactly.
    bool contains(const QString& text) const { return m_rows.contains(text); }
    /// Exchanges the texts of two rows, as row dragging does.
    void exchange(int a, int b);

    /// True when the system cannot give the path's attributes: it names
    /// nothing, or nothing this system can read.
    static bool HasBadFileName(const QString& path);

private:
    QStringList m_rows;
    QString m_header;
};
