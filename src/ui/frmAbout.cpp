#include "ui/frmAbout.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <algorithm>

#include "ui/Bytes.h"
#include "ui/Twips.h"

namespace vyr {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int width, int height) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  Place(l, left, top, width, height);
  return l;
}

// A value label starts after its caption's text, whatever the font makes of
// it, and keeps to the frame it is in.
void AfterCaption(QLabel* caption, QLabel* value) {
  constexpr int kGap = 6;
  caption->resize(std::max(caption->width(), caption->sizeHint().width()), caption->height());
  const int left = std::max(value->x(), caption->geometry().right() + 1 + kGap);
  const int right = value->parentWidget()->width() - caption->x();
  value->setGeometry(left, value->y(), right - left, value->height());
}

}  // namespace

QPixmap MakerLogo() {
  QPixmap logo(50, 29);
  logo.fill(Qt::transparent);
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(22, 58, 104));
  p.drawRoundedRect(QRectF(0.5, 0.5, 49, 28), 5, 5);
  // A signal that drops out and comes back.
  QPainterPath wave;
  wave.moveTo(5, 19);
  wave.lineTo(14, 19);
  wave.lineTo(18, 8);
  wave.lineTo(22, 19);
  wave.lineTo(27, 19);
  p.setPen(QPen(QColor(120, 220, 140), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);
  p.setPen(Qt::white);
  QFont f = PanelFont(true, 10);
  p.setFont(f);
  p.drawText(QRectF(27, 4, 21, 21), Qt::AlignCenter, "VYR");
  return logo;
}

frmAbout::frmAbout(const AppState& st, QWidget* parent) : QDialog(parent), st_(st) {
  setObjectName("frmAbout");
  setWindowTitle("VYR Source Return Information");
  setFont(PanelFont());
  setFixedSize(Px(7545), Px(3510));

  auto* logo = MakeLabel(this, "Image1", QString(), 120, 120, 750, 435);
  logo->setPixmap(MakerLogo());
  auto* title = MakeLabel(this, "lblVYRtitle", "VYR BROADCAST SOFTWARE", 1200, 90, 3810, 240);
  title->setFont(PanelFont(true, 13));
  const QString grey = QStringLiteral("color: rgb(64, 64, 64);");
  for (auto* line : {MakeLabel(this, "lblVYRaddress", "Source return for broadcast switchers", 1200,
                               300, 3810, 180),
                     MakeLabel(this, "lblVYRaddress2", "Help and support: see the README", 1200,
                               465, 3810, 180)}) {
    line->setStyleSheet(grey);
    line->setFont(PanelFont(false, 10));
  }

  auto* version = new QGroupBox("Version Information", this);
  version->setObjectName("frmVersionInfo");
  Place(version, 4440, 960, 2895, 975);
  lblVersionInfo_ = MakeLabel(version, "lblVersionInfo", QString(), 120, 360, 2655, 495);

  auto* setup = new QGroupBox("Setup Information", this);
  setup->setObjectName("frmSetupInfo");
  Place(setup, 120, 960, 4095, 2295);
  MakeLabel(setup, "lblSrvLoc", "VYR Server Location", 120, 360, 3855, 255);
  lblServerLocation_ = MakeLabel(setup, "lblServerLocation", "Not specified", 120, 600, 3855, 255);
  auto* refresh = MakeLabel(setup, "lblRefresh", "Refresh Rate:", 120, 960, 1095, 255);
  lblRate_ = MakeLabel(setup, "lblRate", "100", 1200, 960, 2415, 255);
  AfterCaption(refresh, lblRate_);
  auto* timeOut = MakeLabel(setup, "lblTimeOutPeriod", "Timeout Period:", 120, 1320, 1215, 255);
  LblTimeOut_ = MakeLabel(setup, "LblTimeOut", "100", 1320, 1320, 2295, 255);
  AfterCaption(timeOut, LblTimeOut_);

  auto* ok = new QPushButton("&Ok", this);
  ok->setObjectName("cmdAboutquit");
  Place(ok, 4440, 2760, 2865, 495);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { cmdAboutquit_Click(); });
}

void frmAbout::showEvent(QShowEvent* event) {
  Form_Activate();
  QDialog::showEvent(event);
}

void frmAbout::Form_Activate() {
  lblServerLocation_->setText(st_.sIPAddress == "0.0.0.0" ? QStringLiteral("Not Specified")
                                                          : Latin1(st_.sIPAddress));
  // Both are milliseconds: the poll interval, and how long polls may go
  // unanswered before the link is dropped.
  lblRate_->setText(QString::number(st_.iRefreshRate) + " ms");
  LblTimeOut_->setText(QString::number(st_.iTimeOut) + " ms");
  lblVersionInfo_->setText(QStringLiteral("VYR Source Return\n") + kVersionText);
}

}  // namespace vyr
