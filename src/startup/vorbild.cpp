// The start screen: product name, platform, version, a drawn logo and three lines about it.
#include "startup/vorbild.h"

#include "platform/fixed_dialog.h"
#include "platform/platform.h"
#include "version/version.h"

#include <QEvent>
#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>

namespace startup {
namespace {

// The logo: a mast sending waves above a stack of table records.
class Logo final : public QWidget
{
public:
    explicit Logo(QWidget *parent) : QWidget(parent) { setFixedSize(120, 120); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor blue(0x1f, 0x4e, 0x8c), gold(0xe0, 0xa0, 0x20);

        // Records of a table, seen from the side.
        for (int i = 0; i < 3; ++i) {
            const QRectF disc(18, 78 - i * 14, 84, 24);
            p.setPen(QPen(blue.darker(120), 1.5));
            p.setBrush(i == 2 ? blue.lighter(130) : blue);
            p.drawEllipse(disc);
        }
        // The mast and its waves.
        p.setPen(QPen(blue.darker(140), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(60, 60), QPointF(60, 22));
        p.drawLine(QPointF(60, 22), QPointF(50, 60));
        p.drawLine(QPointF(60, 22), QPointF(70, 60));
        p.setPen(QPen(gold, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        for (int r = 10; r <= 30; r += 10) {
            p.drawArc(QRectF(60 - r, 22 - r, 2 * r, 2 * r), 30 * 16, 120 * 16);
        }
        p.setBrush(gold);
        p.drawEllipse(QPointF(60, 22), 4, 4);
    }
};

} // namespace

QString versionText()
{
    return QStringLiteral("Version %1.%2.%3")
            .arg(talvo::kVersionMajor)
            .arg(talvo::kVersionMinor)
            .arg(talvo::kVersionPatch);
}

Vorbild::Vorbild()
    : fraMainFrame(new QFrame(this)),
      picLogo(new Logo(fraMainFrame)),
      lblProductName(new QLabel(QStringLiteral("dBase - Viewer"), fraMainFrame)),
      lblPlatform(new QLabel(QStringLiteral("für Linux"), fraMainFrame)),
      lblVersion(new QLabel(QStringLiteral("Version"), fraMainFrame)),
      lblCompanyProduct(new QLabel(QStringLiteral("Für die Stationsliste des Funkamateurs, "
                                                  "gepflegt vom Talvo-Team"),
                                   fraMainFrame)),
      lblLicenseTo(new QLabel(QStringLiteral("Frei verwendbar im Amateurfunk; ohne Gewähr."),
                              fraMainFrame)),
      lblCopyright(new QLabel(QStringLiteral("© 2026 Talvo-dBase-Viewer-Team"), fraMainFrame))
{
    setWindowTitle(QString(46, QLatin1Char(' ')) + QStringLiteral("moment please ! loading"));

    auto *outer = new QGridLayout(this);
    outer->addWidget(fraMainFrame);
    fraMainFrame->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(fraMainFrame);
    grid->setContentsMargins(16, 16, 16, 16);
    grid->setHorizontalSpacing(20);

    QFont serif(QStringLiteral("Serif"), 22, QFont::Bold);
    serif.setStyleHint(QFont::Serif);
    lblProductName->setFont(serif);
    QFont larger = lblPlatform->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.2);
    lblPlatform->setFont(larger);
    lblVersion->setFont(larger);
    for (QLabel *line : {lblCompanyProduct, lblLicenseTo, lblCopyright})
        line->setWordWrap(true);

    grid->addWidget(picLogo, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(lblProductName, 0, 1);
    grid->addWidget(lblPlatform, 1, 1);
    grid->addWidget(lblVersion, 2, 1, Qt::AlignTop);
    grid->addWidget(lblCompanyProduct, 3, 0, 1, 2);
    grid->addWidget(lblLicenseTo, 4, 0, 1, 2);
    grid->addWidget(lblCopyright, 5, 0, 1, 2);
    platform::fixDialogSize(*this, 460);

    lblVersion->setText(versionText()); // the load handler
}

Vorbild::~Vorbild()
{
    platform::setMousePointer(platform::kArrow);
}

bool Vorbild::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        platform::setMousePointer(platform::kHourglass);
    return QDialog::event(event);
}

} // namespace startup
