#include "Mockups.h"

#include "PictureFile.h"

#include <QImage>
#include <QPainter>
#include <stdexcept>

namespace {

QImage Load(const QString& pictures, const QString& name) {
    QImage image(pictures + "/" + name);
    if (image.isNull()) {
        throw std::runtime_error("cannot read " + name.toStdString());
    }
    return image;
}

void DrawCheckBox(QPainter& painter, const Typography& type, QPoint at, const QString& caption) {
    const QRectF box(at.x() + 2, at.y() + 6, 13, 13);
    painter.setPen(QColor(140, 150, 160));
    painter.setBrush(Qt::white);
    painter.drawRect(box);
    painter.setPen(QPen(QColor(30, 30, 30), 1.6));
    painter.drawLine(box.topLeft() + QPointF(3, 6.5), box.topLeft() + QPointF(5.5, 9.5));
    painter.drawLine(box.topLeft() + QPointF(5.5, 9.5), box.topLeft() + QPointF(10.5, 3));
    type.Draw(painter, caption, at.x() + 20, at.y() + 17, TextStyle{14, 0, 0, Qt::black});
}

void DrawLink(QPainter& painter, const Typography& type, QPoint at, const QString& caption) {
    const TextStyle style{14, 0, 0, QColor(0, 0, 255)};
    type.Draw(painter, caption, at.x(), at.y() + 13, style);
    painter.fillRect(QRectF(at.x(), at.y() + 15, type.Width(caption, style), 1), QColor(0, 0, 255));
}

QImage OptionsWindow(const Typography& type, const QString& pictures, bool expanded) {
    QImage window(588, expanded ? 550 : 400, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&window);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(0, 0, Load(pictures, "options/background.png"));
    painter.drawImage(573, 5, Load(pictures, "options/close.png"));
    painter.drawImage(558, 10, Load(pictures, "options/minimize.png"));
    painter.drawImage(196, 336, Load(pictures, "options/install.png"));
    const int row = expanded ? 520 : 360;
    DrawCheckBox(painter, type, QPoint(8, row), QStringLiteral("阅读并同意"));
    DrawLink(painter, type, QPoint(112, row + 6), QStringLiteral("许可协议"));
    painter.drawImage(488, row + 5,
                      Load(pictures, expanded ? "options/toggle2.png" : "options/toggle0.png"));
    DrawLink(painter, type, QPoint(512, row + 5), QStringLiteral("自定义选项"));
    if (expanded) {
        painter.setPen(QColor(160, 160, 160));
        painter.setBrush(QColor(240, 240, 240));
        painter.drawRect(QRectF(176.5, 400.5, 236, 24));
        type.Draw(painter, QStringLiteral("C:\\Program Files\\Vostrel\\"), 180, 417,
                  TextStyle{13, 0, 0, QColor(110, 110, 110)});
        painter.setBrush(QColor(225, 225, 225));
        painter.drawRect(QRectF(440.5, 400.5, 74, 24));
        type.Draw(painter, QStringLiteral("浏览"), 477, 417, TextStyle{12, 0, 0, Qt::black},
                  Qt::AlignHCenter);
        DrawCheckBox(painter, type, QPoint(184, 456), QStringLiteral("生成桌面快捷方式"));
        DrawCheckBox(painter, type, QPoint(349, 456), QStringLiteral("添加到快速启动栏"));
        DrawCheckBox(painter, type, QPoint(186, 489), QStringLiteral("开机自动启动"));
    }
    painter.end();
    return window;
}

QImage ProgressWindow(const Typography& type, const QString& pictures, int slide) {
    QImage window(588, 358, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&window);
    painter.drawImage(0, 0, Load(pictures, QString("progress/slide%1.png").arg(slide)));
    type.Draw(painter, QStringLiteral("正在解压文件，完成:42% ."), 88, 330,
              TextStyle{12, 0, 0, Qt::black});
    painter.fillRect(QRect(20, 338, 548, 7), QColor(230, 230, 230));
    painter.setPen(QColor(188, 188, 188));
    painter.drawRect(QRect(20, 338, 547, 6));
    painter.fillRect(QRect(21, 339, 230, 5), QColor(6, 176, 37));
    painter.drawImage(548, 10, Load(pictures, "progress/minimize.png"));
    painter.drawImage(573, 5, Load(pictures, "progress/close.png"));
    painter.end();
    return window;
}

QImage FinishWindow(const QString& pictures) {
    QImage window(588, 358, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&window);
    painter.drawImage(0, 0, Load(pictures, "finish/background.png"));
    painter.drawImage(168, 296, Load(pictures, "finish/finish.png"));
    painter.end();
    return window;
}

} // namespace

void WriteMockups(const Typography& type, const QString& pictures, const QString& folder) {
    SavePicture(OptionsWindow(type, pictures, false), QSize(588, 400), folder, "options");
    SavePicture(OptionsWindow(type, pictures, true), QSize(588, 550), folder, "options-expanded");
    for (int slide = 1; slide <= 5; ++slide) {
        SavePicture(ProgressWindow(type, pictures, slide), QSize(588, 358), folder,
                    QString("progress%1").arg(slide));
    }
    SavePicture(FinishWindow(pictures), QSize(588, 358), folder, "finish");
}
