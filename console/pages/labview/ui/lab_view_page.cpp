#include "console/pages/labview/ui/lab_view_page.h"

#include <QHBoxLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include "common/db/tables.h"
#include "gui/qstring.h"

namespace mendrix::labview {

namespace {

using kav::gui::q;
constexpr int kGap = 6;

// The tiles' look by the lab's size: how big, and how many lines of text.
struct TileLook {
    int width, height, lines;
};
TileLook lookFor(std::size_t stations) {
    if (stations <= 60) return {176, 84, 4};
    if (stations <= 200) return {150, 64, 3};
    return {124, 46, 2};
}

}  // namespace

QColor tileBackground(TileState state) {
    switch (state) {
    case TileState::Splash: return QColor(0xe4, 0xe4, 0xe4);
    case TileState::Login: return QColor(0xf4, 0xf4, 0xf4);
    case TileState::Instructions: return QColor(0xcf, 0xe8, 0xf7);
    case TileState::Exam: return QColor(0x9e, 0xdc, 0x9e);
    case TileState::TimeUp: return QColor(0xff, 0xc0, 0x66);
    case TileState::HandingIn: return QColor(0xff, 0xee, 0x88);
    case TileState::Reported: return QColor(0x5b, 0x8f, 0xd9);
    case TileState::Ended: return QColor(0xa8, 0xa8, 0xa8);
    case TileState::Lost: return QColor(0xd6, 0x32, 0x2b);
    }
    return Qt::white;
}

QColor tileText(TileState state) {
    return state == TileState::Reported || state == TileState::Lost ? Qt::white : QColor(0x20, 0x20, 0x20);
}

// ------------------------------------------------------------ LabTiles

LabTiles::LabTiles(const LabViewModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName("LabTiles");
    setAttribute(Qt::WA_OpaquePaintEvent);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize LabTiles::tileSize() const {
    const TileLook look = lookFor(model_.tiles().size());
    return {look.width, look.height};
}

int LabTiles::columnsFor(int width) const { return std::max(1, (width - kGap) / (tileSize().width() + kGap)); }

int LabTiles::heightForWidth(int width) const {
    const int count = static_cast<int>(model_.tiles().size());
    const int rows = (count + columnsFor(width) - 1) / columnsFor(width);
    return kGap + rows * (tileSize().height() + kGap);
}

QSize LabTiles::sizeHint() const { return {width(), heightForWidth(width())}; }

void LabTiles::relayout() {
    setMinimumHeight(heightForWidth(width()));
    updateGeometry();
    update();
}

void LabTiles::resizeEvent(QResizeEvent*) { setMinimumHeight(heightForWidth(width())); }

void LabTiles::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), palette().window());
    const TileLook look = lookFor(model_.tiles().size());
    const int columns = columnsFor(width());
    // The columns share the width left over, so that the tiles fill the row
    // (up to half as wide again).
    const int tileWidth = std::min((width() - kGap) / columns - kGap, look.width * 3 / 2);
    QFont plain = font();
    QFont bold = plain;
    bold.setBold(true);
    const QFontMetrics plainMetrics(plain), boldMetrics(bold);
    const int lineHeight = plainMetrics.height();
    const auto& tiles = model_.tiles();
    // Only the rows the exposed part shows are painted.
    const int firstRow = std::max(0, (event->rect().top() - kGap) / (look.height + kGap));
    const int lastRow = (event->rect().bottom() - kGap) / (look.height + kGap);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = 0; column < columns; ++column) {
            const std::size_t index = static_cast<std::size_t>(row * columns + column);
            if (index >= tiles.size()) return;
            const Tile& t = tiles[index];
            const QRect r(kGap + column * (tileWidth + kGap), kGap + row * (look.height + kGap), tileWidth,
                          look.height);
            p.fillRect(r, tileBackground(t.state));
            if (t.missing) {
                // Awaited by the collection: a thick dark frame.
                p.setPen(QPen(QColor(0x80, 0x00, 0x00), 3));
                p.drawRect(r.adjusted(1, 1, -2, -2));
            } else {
                p.setPen(QColor(0, 0, 0, 60));
                p.drawRect(r.adjusted(0, 0, -1, -1));
            }
            p.setPen(tileText(t.state));
            const QRect inner = r.adjusted(6, 3, -6, -3);
            const auto line = [&](int n, const std::string& left, const std::string& right, const QFont& f) {
                const QRect band(inner.left(), inner.top() + n * lineHeight, inner.width(), lineHeight);
                p.setFont(f);
                const QFontMetrics& m = &f == &bold ? boldMetrics : plainMetrics;
                const QString rightText = q(right);
                const int rightWidth = right.empty() ? 0 : m.horizontalAdvance(rightText) + 6;
                p.drawText(band.adjusted(0, 0, -rightWidth, 0), Qt::AlignLeft | Qt::AlignVCenter,
                           m.elidedText(q(left), Qt::ElideRight, band.width() - rightWidth));
                if (!right.empty()) p.drawText(band, Qt::AlignRight | Qt::AlignVCenter, rightText);
            };
            if (look.lines >= 4) {
                line(0, t.station, t.status, bold);
                line(1, t.candidate, "", plain);
                line(2, t.detail, "", plain);
                line(3, "", t.heard, plain);
            } else if (look.lines == 3) {
                line(0, t.station, t.status, bold);
                line(1, t.candidate, "", plain);
                line(2, t.detail, t.heard, plain);
            } else {
                line(0, t.station, t.state == TileState::Lost ? t.status + " " + t.heard : t.status, bold);
                line(1, t.candidate.empty() ? t.detail : t.candidate, "", plain);
            }
        }
    }
}

// ------------------------------------------------------------ LabViewPage

LabViewPage::LabViewPage(QWidget* parent, const std::filesystem::path& teacherFolder, kav::ui::Clock& clock)
    : QWidget(parent) {
    setObjectName("LabViewPage");
    logic_ = std::make_unique<LabViewLogic>(
        [teacherFolder] {
            return kav::db::connectPath(kav::db::teacherDatabasePath(teacherFolder), kav::db::ServerRole::Owner);
        },
        clock);
    logic_->changed = [this] {
        showModel();
        if (logic_->scoresStale && scoresStale) scoresStale();
    };

    auto* layout = new QVBoxLayout(this);
    countsLabel = new QLabel(this);
    countsLabel->setObjectName("CountsLabel");
    QFont big = countsLabel->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    countsLabel->setFont(big);
    progressLabel = new QLabel(this);
    progressLabel->setObjectName("ProgressLabel");
    progressLabel->setFont(big);
    progressLabel->setStyleSheet("color: #1d4f91;");
    auto* top = new QHBoxLayout;
    top->addWidget(countsLabel);
    top->addSpacing(40);
    top->addWidget(progressLabel);
    top->addStretch(1);
    layout->addLayout(top);

    missingLabel = new QLabel(this);
    missingLabel->setObjectName("MissingLabel");
    missingLabel->setWordWrap(true);
    missingLabel->setStyleSheet("color: #800000;");
    missingLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lostLabel = new QLabel(this);
    lostLabel->setObjectName("LostLabel");
    lostLabel->setWordWrap(true);
    lostLabel->setStyleSheet("color: #c0281f; font-weight: bold;");
    lostLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    errorLabel = new QLabel(this);
    errorLabel->setObjectName("ErrorLabel");
    errorLabel->setWordWrap(true);
    errorLabel->setStyleSheet("color: #c00000; font-weight: bold;");
    layout->addWidget(lostLabel);
    layout->addWidget(missingLabel);
    layout->addWidget(errorLabel);

    // The legend: a chip of each colour with its word.
    auto* legend = new QHBoxLayout;
    legend->setSpacing(4);
    for (int s = 0; s < kTileStateCount; ++s) {
        const auto state = static_cast<TileState>(s);
        auto* chip = new QLabel(q(std::string(tileStateName(state))), this);
        chip->setAlignment(Qt::AlignCenter);
        chip->setMinimumWidth(64);
        chip->setStyleSheet(QString("background: %1; color: %2; border: 1px solid rgba(0,0,0,60); padding: 2px 6px;")
                                .arg(tileBackground(state).name(), tileText(state).name()));
        legend->addWidget(chip);
    }
    missingChip = new QLabel(q("未收"), this);
    missingChip->setObjectName("MissingChip");
    missingChip->setAlignment(Qt::AlignCenter);
    missingChip->setMinimumWidth(64);
    missingChip->setStyleSheet("border: 3px solid #800000; padding: 0px 4px;");
    legend->addWidget(missingChip);
    legend->addStretch(1);
    layout->addLayout(legend);

    tiles = new LabTiles(logic_->model);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName("LabTilesArea");
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidget(tiles);
    layout->addWidget(scroll_, 1);
    showModel();
}

LabViewPage::~LabViewPage() = default;

void LabViewPage::showModel() {
    const LabViewModel& m = logic_->model;
    countsLabel->setText(m.hasReading() ? q(m.countsText()) : q("正在读取各考试机的状态……"));
    progressLabel->setText(q(m.progressText()));
    progressLabel->setVisible(m.collecting());
    lostLabel->setText(q(m.lostText()));
    lostLabel->setVisible(m.counts().lost > 0);
    missingLabel->setText(q(m.missingText()));
    missingLabel->setVisible(!m.missing().empty());
    missingChip->setVisible(m.collecting());
    errorLabel->setText(q(m.errorText()));
    errorLabel->setVisible(!m.errorText().empty());
    tiles->relayout();
}

}  // namespace mendrix::labview
