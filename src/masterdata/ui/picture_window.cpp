#include "masterdata/ui/picture_window.h"

#include "core/prompt.h"
#include "masterdata/product_picture.h"
#include "ui/enter_moves_focus.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QPointer<TBM_TP> g_open;
}

TBM_TP::TBM_TP(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TBM_TP"));
    setWindowTitle(QStringLiteral("商品图片预览窗口"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("pictureLabel"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(1, 1);
    m_picture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);

    auto *note = new QLabel(QStringLiteral("注：为保证图片和软件的整体性，请把图片复制到软件安装目录的“图片”里"), this);
    note->setObjectName(QStringLiteral("noteLabel"));
    auto *choose = new QPushButton(QStringLiteral("选择图片"), this);
    choose->setObjectName(QStringLiteral("chooseButton"));
    auto *clear = new QPushButton(QStringLiteral("清空图片"), this);
    clear->setObjectName(QStringLiteral("clearButton"));
    auto *exit = new QPushButton(QStringLiteral("退 出"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    for (QPushButton *b : {choose, clear, exit})
        b->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, &TBM_TP::choosePicture);
    connect(clear, &QPushButton::clicked, this, &TBM_TP::clearPicture);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(note, 1);
    buttons->addWidget(choose);
    buttons->addWidget(clear);
    buttons->addWidget(exit);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_picture, 1);
    layout->addLayout(buttons);
    EnterMovesFocus::install(this);

    resize(768, 514);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TBM_TP *TBM_TP::current() { return g_open; }

TBM_TP *TBM_TP::open(QWidget *parent)
{
    if (!g_open)
        g_open = new TBM_TP(parent);
    return g_open;
}

TBM_TP *TBM_TP::openForProduct(const QString &code, QWidget *parent)
{
    TBM_TP *w = open(parent);
    w->m_apply = nullptr;
    QString path;
    try {
        path = ProductPicture::read(code);
    } catch (const std::exception &e) {
        prompt().warn(QString::fromUtf8(e.what()), QStringLiteral("提示："));
    }
    w->start(code, path);
    return w;
}

TBM_TP *TBM_TP::openForRow(const QString &code, const QString &path, QWidget *parent,
                           std::function<void(const QString &path)> apply)
{
    TBM_TP *w = open(parent);
    w->m_apply = std::move(apply);
    w->start(code, path);
    return w;
}

void TBM_TP::start(const QString &code, const QString &path)
{
    m_code = code;
    m_path = path;
    showImage(ProductPicture::load(path));
    show();
    raise();
    activateWindow();
}

void TBM_TP::choosePicture()
{
    const QString folder = ProductPicture::folder();
    QDir().mkpath(folder);
    const QString file = prompt().openFile(QStringLiteral("图片文件"), folder,
                                           QStringLiteral("图片文件 (*.jpg *.jpeg *.png *.bmp *.gif);;所有文件 (*)"));
    if (file.isEmpty())
        return;
    m_path = ProductPicture::storedPath(file);
    showImage(ProductPicture::load(m_path));
}

void TBM_TP::clearPicture() { showImage(QImage()); }

void TBM_TP::showImage(const QImage &image)
{
    m_image = image;
    refit();
}

void TBM_TP::refit()
{
    if (m_image.isNull()) {
        m_picture->clear();
        return;
    }
    m_picture->setPixmap(QPixmap::fromImage(
        m_image.scaled(m_picture->size().expandedTo(QSize(1, 1)), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TBM_TP::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    refit();
}

void TBM_TP::closeEvent(QCloseEvent *event)
{
    if (m_apply) {
        m_apply(m_path);
    } else if (!m_code.isEmpty()) {
        const Outcome written = ProductPicture::write(m_code, m_path);
        if (!written)
            prompt().warn(written.text(), QStringLiteral("提示："));
    }
    m_apply = nullptr;
    m_code.clear();
    m_path.clear();
    showImage(QImage());
    event->accept();
}
