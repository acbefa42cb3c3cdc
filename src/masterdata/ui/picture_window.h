#pragma once
#include <QDialog>
#include <QImage>
#include <QString>
#include <functional>

class QLabel;

// 商品图片预览窗口: shows the picture of one product, centred and scaled to
// fit, and lets the user choose another. Closing ("退 出" or the frame)
// hands the path on: written into the product's TP, or, from the product
// window, set into its row among the row's pending edits. One at a time; it
// keeps the other windows waiting while it is open.
class TBM_TP : public QDialog
{
    Q_OBJECT
public:
    // The product as stored: its TP is read now and written when closing.
    static TBM_TP *openForProduct(const QString &code, QWidget *parent = nullptr);
    // A row of the product window: starts from the row's path and gives the
    // final one to `apply` when closing.
    static TBM_TP *openForRow(const QString &code, const QString &path, QWidget *parent,
                              std::function<void(const QString &path)> apply);
    // The one that is open, if any.
    static TBM_TP *current();

    QString code() const { return m_code; }
    // The current path as it will be stored.
    QString path() const { return m_path; }
    // The picture on show (null when none).
    QImage picture() const { return m_image; }

public Q_SLOTS:
    // "选择图片"
    void choosePicture();
    // "清空图片": the display is cleared; the path stays as it is.
    void clearPicture();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    explicit TBM_TP(QWidget *parent);
    static TBM_TP *open(QWidget *parent);
    void start(const QString &code, const QString &path);
    void showImage(const QImage &image);
    void refit();

    QLabel *m_picture = nullptr;
    QString m_code;
    QString m_path;
    QImage m_image;
    std::function<void(const QString &)> m_apply; // empty: write to the product
};
