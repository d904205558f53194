#include "panels/CControlFormView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTreeWidget>
#include <algorithm>

#include "link/AppMessages.h"
#include "link/CZbProtocol.h"
#include "link/ZbConstants.h"
#include "model/FieldCode.h"
#include "model/PowerValue.h"
#include "model/StudioManager.h"
#include "navigation/CDialogUnits.h"
#include "navigation/CFlatSliderCtrl.h"
#include "navigation/CFlatSpinButtonCtrl.h"
#include "navigation/CTitleSeparator.h"
#include "navigation/CUserButton.h"
#include "navigation/CUserStatic.h"
#include "panels/CControlSelFormView.h"
#include "panels/CPowerControlSet.h"
#include "shell/CFrameHost.h"
#include "store/CXmlStore.h"

namespace {

constexpr int kFormWidthDlu = 205;
constexpr int kFormHeightDlu = 230;
constexpr int kGroupTopDlu = 27;
// Where the selected-units panel sits: pixels, below the combo.
constexpr int kSelectionPanelTopPx = 38;
constexpr int kFileColumnWidthPx = 100;

const QColor kNavy(0, 0, 128);
const QString kMemoryCaption = QStringLiteral("Business Memory");

}  // namespace

CControlFormView::CControlFormView(CFrameHost& host, QWidget* parent)
    : QWidget(parent), m_host(host) {
    setObjectName(QStringLiteral("controlPanel"));
    setFont(CDialogUnits::DialogFont());
    const CDialogUnits units(font());
    resize(units.Size(kFormWidthDlu, kFormHeightDlu));
    setMinimumSize(size());

    m_title = new CTitleSeparator(QStringLiteral("Remote Control"), this);
    m_title->setGeometry(units.Rect(5, 5, 97, 8));
    m_emptyStatic = new QLabel(this);
    m_emptyStatic->setGeometry(units.Rect(5, 14, 100, 8));
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("modeCombo"));
    // The template's height is that of the opened list; the closed box is one line.
    m_combo->setGeometry(units.X(110), units.Y(5), units.X(90), m_combo->sizeHint().height());

    m_controls = std::make_unique<CPowerControlSet>(this, units, kGroupTopDlu);

    m_memoryGroup = new QGroupBox(kMemoryCaption, this);
    m_memoryGroup->setGeometry(units.Rect(5, 140, 195, 85));
    m_fileList = new QTreeWidget(this);
    m_fileList->setObjectName(QStringLiteral("fileList"));
    m_fileList->setGeometry(units.Rect(12, 150, 80, 55));
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("nameEdit"));
    m_nameEdit->setGeometry(units.Rect(12, 209, 80, 12));
    m_nameEdit->setMaxLength(kMaxNameLength);
    m_infoEdit = new QPlainTextEdit(this);
    m_infoEdit->setObjectName(QStringLiteral("infoEdit"));
    m_infoEdit->setGeometry(units.Rect(96, 150, 98, 71));
    m_infoEdit->setReadOnly(true);
    m_infoEdit->setLineWrapMode(QPlainTextEdit::NoWrap);

    const CPowerControlSet& c = *m_controls;
    connect(c.flashSpin, &CFlatSpinButtonCtrl::deltaPos, this,
            [this](int change) { OnSpin(Power::Flash, change); });
    connect(c.modelSpin, &CFlatSpinButtonCtrl::deltaPos, this,
            [this](int change) { OnSpin(Power::Model, change); });
    connect(c.flashSlider, &QSlider::sliderMoved, this,
            [this](int position) { OnSliderTrack(Power::Flash, position); });
    connect(c.modelSlider, &QSlider::sliderMoved, this,
            [this](int position) { OnSliderTrack(Power::Model, position); });
    // A release anywhere on a slider (thumb or channel) takes its position.
    c.flashSlider->installEventFilter(this);
    c.modelSlider->installEventFilter(this);
    // A key moves the thumb with its label; letting go of the key takes the position. A
    // slider greyed meanwhile takes nothing and shows the unit's values again.
    for (const Power power : {Power::Flash, Power::Model}) {
        CFlatSliderCtrl* slider = power == Power::Flash ? c.flashSlider : c.modelSlider;
        connect(slider, &CFlatSliderCtrl::stepped, this,
                [this, power](int position) { OnSliderTrack(power, position); });
        connect(slider, &CFlatSliderCtrl::keyboardReleased, this, [this, power, slider] {
            if (slider->isEnabled()) {
                OnSliderRelease(power);
            } else {
                RefreshField(kFieldFlashValue);
            }
        });
    }

    // Cell and Sound: the box's tick is the unit's switch.
    const auto connectSwitch = [this](QCheckBox* box, int& state, int StrobeData::*field,
                                      quint8 subCode, int fieldCode) {
        connect(box, &QCheckBox::clicked, this,
                [this, &state, field, subCode, fieldCode](bool checked) {
                    StrobeData* unit = Unit();
                    if (unit == nullptr) {
                        return;
                    }
                    state = checked ? 1 : 0;
                    unit->*field = state;
                    m_host.Protocol().SendUnitCommand(subCode, 0, unit);
                    NotifyGrid(*unit, fieldCode);
                });
    };
    connectSwitch(c.cellCheck, m_bCell, &StrobeData::bFlashCell, ZB_FLASH_CELL, kFieldFlashCell);
    connectSwitch(c.soundCheck, m_bSound, &StrobeData::bFlashSnd, ZB_FLASH_SOUND, kFieldFlashSound);
    connect(c.powerButton, &QPushButton::clicked, this, [this](bool checked) {
        StrobeData* unit = Unit();
        if (unit == nullptr) {
            return;
        }
        m_bPower = checked ? 1 : 0;
        SetEnableMode(kModeFollowPower);
        unit->bFlashPow = m_bPower;
        m_host.Protocol().SendUnitCommand(ZB_FLASH_POW, 0, unit);
        NotifyGrid(*unit, kFieldFlashPow);
    });
    connect(c.testButton, &QPushButton::clicked, this, [this] {
        if (StrobeData* unit = Unit()) {
            m_host.Protocol().SendUnitCommand(ZB_TEST, 0, unit);
        }
    });
    connect(c.offCheck, &QCheckBox::clicked, this, [this](bool checked) {
        StrobeData* unit = Unit();
        if (unit == nullptr) {
            return;
        }
        m_bModelOff = checked ? 1 : 0;
        ShowModelValue();
        SetEnableMode(kModeFollowPower);
        unit->bModelPow = m_bModelOff ? 0 : 1;
        m_host.Protocol().SendUnitCommand(ZB_MODEL_POW, 0, unit);
        NotifyGrid(*unit, kFieldModelPow);
    });
    // clicked, not toggled: a click on the ticked button sends the mode again.
    const auto connectMode = [this](QRadioButton* radio, int& state, int value,
                                    int StrobeData::*field, quint8 subCode, int fieldCode) {
        connect(radio, &QRadioButton::clicked, this,
                [this, &state, value, field, subCode, fieldCode] {
                    StrobeData* unit = Unit();
                    if (unit == nullptr) {
                        return;
                    }
                    state = value;
                    unit->*field = value;
                    m_host.Protocol().SendUnitCommand(subCode, 0, unit);
                    NotifyGrid(*unit, fieldCode);
                });
    };
    connectMode(c.freeRadio, m_nMode1, 0, &StrobeData::nModelMode1, ZB_MODEL_MODE1,
                kFieldModelMode1);
    connectMode(c.propRadio, m_nMode1, 1, &StrobeData::nModelMode1, ZB_MODEL_MODE1,
                kFieldModelMode1);
    connectMode(c.continousRadio, m_nMode2, 1, &StrobeData::nModelMode2, ZB_MODEL_MODE2,
                kFieldModelMode2);
    connectMode(c.flashPropRadio, m_nMode2, 0, &StrobeData::nModelMode2, ZB_MODEL_MODE2,
                kFieldModelMode2);

    connect(m_combo, &QComboBox::activated, this, &CControlFormView::OnCombo);
    // The list view's click notification comes for any click, also below the last item.
    m_fileList->viewport()->installEventFilter(this);
    connect(m_nameEdit, &QLineEdit::textEdited, this, &CControlFormView::OnNameChanged);
}

CControlFormView::~CControlFormView() = default;

void CControlFormView::OnInitialUpdate() {
    if (m_initialised) {
        return;
    }
    m_initialised = true;
    m_nComboIndex = 0;

    m_largeFont = CPowerControlSet::LargeFont();
    m_heavyFont = CTitleSeparator::TitleFont();
    m_title->setFont(m_heavyFont);
    m_title->SetColors(kNavy, kNavy, palette().color(QPalette::Light));

    m_combo->addItem(QStringLiteral("Flash/Model settings"));
    m_combo->addItem(QStringLiteral("Selected unit(s) settings"));
    m_combo->setCurrentIndex(0);
    FitCombo();

    CPowerControlSet& c = *m_controls;
    c.SetUp(m_largeFont, m_heavyFont, FormatPower(0));
    c.flashSlider->setRange(POWER_MIN, POWER_MAX);
    c.modelSlider->setRange(POWER_MIN, POWER_MAX);

    m_fileList->setColumnCount(1);
    m_fileList->setHeaderLabels({QStringLiteral("File name")});
    m_fileList->setHeaderHidden(true);
    m_fileList->setColumnWidth(0, kFileColumnWidthPx);
    m_fileList->setRootIsDecorated(false);
    m_fileList->setItemsExpandable(false);
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileList->setSelectionBehavior(QAbstractItemView::SelectRows);

    CXmlStore& store = m_host.XmlStore();
    store.pManager = &m_host.Manager();
    store.pDocument = nullptr;
    // The store may outlive this panel: appending to a list that is gone does nothing.
    store.pFileList = [list = QPointer<QTreeWidget>(m_fileList)](const QString& title) {
        if (list) {
            new QTreeWidgetItem(list, QStringList{title});
        }
    };
    ListBusinessMemory(store);
}

CControlSelFormView* CControlFormView::SelectionPanel() {
    // Hidden until the combo asks for it, so made then rather than at start-up.
    if (m_selPanel == nullptr) {
        m_selPanel = new CControlSelFormView(m_host, this);
        m_selPanel->move(0, kSelectionPanelTopPx);
        m_selPanel->hide();
    }
    return m_selPanel;
}

void CControlFormView::FitCombo() {
    // The longer entry beside the style's arrow can need a little more than the template's
    // 90 units: the box grows into the room before the title's end, then into the panel's
    // right margin, rather than cutting the entry's last letters.
    constexpr int kGapPx = 2;
    QStyleOptionComboBox option;
    option.initFrom(m_combo);
    option.frame = m_combo->hasFrame();
    option.subControls = QStyle::SC_All;
    const QRect field = m_combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, m_combo);
    int longest = 0;
    for (int i = 0; i < m_combo->count(); ++i) {
        longest = std::max(longest, m_combo->fontMetrics().horizontalAdvance(m_combo->itemText(i)));
    }
    // The style draws the entry one pixel inside the field on either side.
    int missing = longest + 2 - field.width();
    const int left =
        std::clamp(missing, 0, m_combo->x() - (m_title->geometry().right() + 1 + kGapPx));
    missing -= left;
    const int right = std::clamp(missing, 0, width() - kGapPx - (m_combo->geometry().right() + 1));
    m_combo->setGeometry(m_combo->x() - left, m_combo->y(), m_combo->width() + left + right,
                         m_combo->height());
}

QString CControlFormView::MemoryInfoText(const StudioData& memory) {
    QString text = QStringLiteral("File info :\r\n");
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const StrobeData* unit = memory.UnitAt(slot);
        if (unit == nullptr) {
            continue;
        }
        const QString flash =
            unit->bFlashPow != 0 ? FormatPower(unit->nFlashValue) : QStringLiteral("OFF");
        const QString model =
            unit->bModelPow != 0 ? FormatPower(unit->nModelValue) : QStringLiteral("OFF");
        text += QStringLiteral("%1 Flash %2 Model %3\r\n").arg(unit->sChName, flash, model);
    }
    return text;
}

bool CControlFormView::event(QEvent* e) {
    const int type = static_cast<int>(e->type());
    switch (type) {
        case WM_UNIT_PICKED:
            FullRefresh();
            break;
        case WM_PANEL_RESET:
            SetEnableMode(kModeReset);
            break;
        case WM_UNIT_FIELD:
            if (ShowsUnitOf(*static_cast<CAppMessage*>(e))) {
                RefreshField(static_cast<int>(static_cast<CAppMessage*>(e)->wParam));
            }
            break;
        case WM_UNIT_REFRESH:
            // Posted: the unit it names may be gone, or no longer current, by now.
            if (ShowsUnitOf(*static_cast<CAppMessage*>(e))) {
                FullRefresh();
            }
            break;
        case WM_BM_SAVE:
            OnSave();
            break;
        case WM_BM_LOAD:
            OnOpen();
            break;
        default:
            return QWidget::event(e);
    }
    static_cast<CAppMessage*>(e)->result = 0;
    return true;
}

bool CControlFormView::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        // A greyed slider sees the release too (it is not delivered to disabled widgets, but
        // filters run first): it must not send.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || !widget->isEnabled()) {
            return QWidget::eventFilter(watched, e);
        }
        if (watched == m_controls->flashSlider) {
            OnSliderRelease(Power::Flash);
        } else if (watched == m_controls->modelSlider) {
            OnSliderRelease(Power::Model);
        } else if (watched == m_fileList->viewport()) {
            OnFileListClick();
        }
    }
    return QWidget::eventFilter(watched, e);
}

StrobeData* CControlFormView::Unit() const {
    return CurrentUnit(m_host.Manager());
}

bool CControlFormView::ShowsUnitOf(const CAppMessage& m) const {
    return m.unit.IsNull() || m_host.Manager().Resolve(m.unit) == Unit();
}

void CControlFormView::SetEnableMode(int mode) {
    CPowerControlSet& c = *m_controls;
    const QList<QWidget*> controls = c.SettingControls();
    switch (mode) {
        case kModeAllDisabled:
        case kModeAllEnabled:
            m_combo->setEnabled(mode == kModeAllEnabled);
            for (QWidget* w : controls) {
                w->setEnabled(mode == kModeAllEnabled);
            }
            break;
        case kModeReset:
            ResetPanel();
            break;
        case kModeSingleShown:
        case kModeSelectionShown: {
            const bool single = mode == kModeSingleShown;
            if (m_selPanel != nullptr) {
                m_selPanel->setVisible(!single);
                m_selPanel->raise();
            }
            // The selected-units panel brings its own groups in the same place.
            c.flashGroup->setVisible(single);
            c.modelGroup->setVisible(single);
            for (QWidget* w : controls) {
                w->setVisible(single);
            }
            break;
        }
        case kModePowerOnly:
            m_combo->setEnabled(true);
            for (QWidget* w : controls) {
                w->setEnabled(w == c.powerButton);
            }
            break;
        case kModeFollowPower:
            if (m_bPower == 0) {
                SetEnableMode(kModePowerOnly);
            } else if (m_nComboIndex == 0) {
                SetEnableMode(kModeAllEnabled);
            }
            break;
        default:
            break;
    }
}

void CControlFormView::FullRefresh() {
    const StrobeData* unit = Unit();
    if (unit == nullptr) {
        return;
    }
    CPowerControlSet& c = *m_controls;
    m_nFlashValue = unit->nFlashValue;
    m_bCell = unit->bFlashCell;
    m_bSound = unit->bFlashSnd;
    m_bPower = unit->bFlashPow;
    ShowFlashValue();
    c.flashSlider->setValue(m_nFlashValue);
    c.cellCheck->setChecked(m_bCell != 0);
    c.soundCheck->setChecked(m_bSound != 0);
    c.powerButton->setChecked(m_bPower != 0);

    m_nModelValue = unit->nModelValue;
    m_nMode1 = unit->nModelMode1;
    m_nMode2 = unit->nModelMode2;
    m_bModelOff = unit->bModelPow == 0 ? 1 : 0;
    ShowModelValue();
    c.modelSlider->setValue(m_nModelValue);

    ShowModes();
    c.offCheck->setChecked(m_bModelOff != 0);
    SetEnableMode(kModeFollowPower);
}

void CControlFormView::RefreshField(int fieldCode) {
    const StrobeData* unit = Unit();
    if (unit == nullptr) {
        return;
    }
    CPowerControlSet& c = *m_controls;
    switch (fieldCode) {
        case kFieldFlashValue:
        case kFieldModelValue:
            m_nFlashValue = unit->nFlashValue;
            m_nModelValue = unit->nModelValue;
            ShowFlashValue();
            ShowModelValue();
            c.flashSlider->setValue(m_nFlashValue);
            c.modelSlider->setValue(m_nModelValue);
            break;
        case kFieldFlashCell:
            m_bCell = unit->bFlashCell;
            c.cellCheck->setChecked(m_bCell != 0);
            break;
        case kFieldFlashSound:
            m_bSound = unit->bFlashSnd;
            c.soundCheck->setChecked(m_bSound != 0);
            break;
        case kFieldFlashPow:
            m_bPower = unit->bFlashPow;
            c.powerButton->setChecked(m_bPower != 0);
            SetEnableMode(kModeFollowPower);
            break;
        case kFieldModelMode1:
        case kFieldModelMode2:
            m_nMode1 = unit->nModelMode1;
            m_nMode2 = unit->nModelMode2;
            ShowModes();
            break;
        case kFieldModelPow:
            m_bModelOff = unit->bModelPow == 0 ? 1 : 0;
            c.offCheck->setChecked(m_bModelOff != 0);
            ShowModelValue();
            SetEnableMode(kModeFollowPower);
            break;
        default:
            break;
    }
}

void CControlFormView::ResetPanel() {
    CPowerControlSet& c = *m_controls;
    m_nFlashValue = POWER_MIN;
    m_bCell = 0;
    m_bSound = 0;
    m_bPower = 0;
    c.flashLabel->clear();
    c.flashLabel->update();
    c.modelLabel->clear();
    c.modelLabel->update();
    c.flashSlider->setValue(POWER_MIN);
    c.cellCheck->setChecked(false);
    c.soundCheck->setChecked(false);
    c.powerButton->setChecked(false);

    m_nModelValue = POWER_MIN;
    m_nMode1 = 0;
    m_nMode2 = 0;
    m_bModelOff = 0;
    c.modelSlider->setValue(POWER_MIN);
    CPowerControlSet::CheckOnly(c.mode1Pair, nullptr);
    CPowerControlSet::CheckOnly(c.mode2Pair, nullptr);
    c.offCheck->setChecked(false);

    if (m_nComboIndex == 1) {
        SetEnableMode(kModeSingleShown);
        m_combo->setCurrentIndex(0);
        m_nComboIndex = 0;
    }
    SetEnableMode(kModeAllDisabled);
}

void CControlFormView::ShowFlashValue() {
    m_controls->flashLabel->setText(FormatPower(m_nFlashValue));
    m_controls->flashLabel->update();
}

void CControlFormView::ShowModelValue() {
    m_controls->modelLabel->setText(m_bModelOff != 0 ? QStringLiteral("OFF")
                                                     : FormatPower(m_nModelValue));
    m_controls->modelLabel->update();
}

void CControlFormView::ShowModes() {
    const CPowerControlSet& c = *m_controls;
    CPowerControlSet::CheckOnly(c.mode1Pair, m_nMode1 == 1 ? c.propRadio : c.freeRadio);
    CPowerControlSet::CheckOnly(c.mode2Pair, m_nMode2 == 1 ? c.continousRadio : c.flashPropRadio);
}

void CControlFormView::NotifyGrid(const StrobeData& unit, int fieldCode) {
    // Named, not "the current unit": another may be current by the time the grid reads it.
    PostUnitMessage(m_host.NavigationPane(), WM_UNIT_FIELD, fieldCode, RefOf(&unit));
}

void CControlFormView::OnSpin(Power power, int change) {
    StrobeData* unit = Unit();
    if (unit == nullptr) {
        return;
    }
    const bool flash = power == Power::Flash;
    int& value = flash ? m_nFlashValue : m_nModelValue;
    int& partner = flash ? m_nModelValue : m_nFlashValue;
    const bool propLink = m_nMode1 == 1;
    if (!StepPower(value, partner, SpinStep(change), propLink)) {
        return;
    }
    CommitPower(*unit, flash, propLink);
}

// The new value (and its partner under the Prop link) goes to the sliders, the labels and the
// unit, then to the radio and the grid.
void CControlFormView::CommitPower(StrobeData& unit, bool flash, bool propLink) {
    CPowerControlSet& c = *m_controls;
    if (flash || propLink) {
        c.flashSlider->setValue(m_nFlashValue);
        ShowFlashValue();
        unit.nFlashValue = m_nFlashValue;
    }
    if (!flash || propLink) {
        c.modelSlider->setValue(m_nModelValue);
        ShowModelValue();
        unit.nModelValue = m_nModelValue;
    }
    m_host.Protocol().SendUnitCommand(flash ? ZB_FLASH_POWER : ZB_MODEL_POWER, 0, &unit);
    NotifyGrid(unit, flash ? kFieldFlashValue : kFieldModelValue);
}

void CControlFormView::OnSliderTrack(Power power, int position) {
    if (Unit() == nullptr) {
        return;
    }
    const bool flash = power == Power::Flash;
    const bool propLink = m_nMode1 == 1;
    TrackPower(flash ? m_nFlashValue : m_nModelValue, flash ? m_nModelValue : m_nFlashValue,
               position, propLink);
    if (flash || propLink) {
        ShowFlashValue();
    }
    if (!flash || propLink) {
        ShowModelValue();
    }
    if (propLink) {
        (flash ? m_controls->modelSlider : m_controls->flashSlider)
            ->setValue(flash ? m_nModelValue : m_nFlashValue);
    }
}

void CControlFormView::OnSliderRelease(Power power) {
    StrobeData* unit = Unit();
    if (unit == nullptr) {
        return;
    }
    const bool flash = power == Power::Flash;
    const bool propLink = m_nMode1 == 1;
    const int position = (flash ? m_controls->flashSlider : m_controls->modelSlider)->value();
    TrackPower(flash ? m_nFlashValue : m_nModelValue, flash ? m_nModelValue : m_nFlashValue,
               position, propLink);
    CommitPower(*unit, flash, propLink);
}

void CControlFormView::OnCombo(int index) {
    if (index == m_nComboIndex) {
        return;
    }
    m_nComboIndex = index;
    if (index == 0) {
        FullRefresh();
        SetEnableMode(kModeSingleShown);
    } else if (index == 1) {
        SelectionPanel()->Reset();
        SetEnableMode(kModeSelectionShown);
    }
}

void CControlFormView::OnFileListClick() {
    // The selection mark: the item last clicked or moved to; none before the first one.
    const QTreeWidgetItem* mark = m_fileList->currentItem();
    const QString name = mark != nullptr ? mark->text(0) : QString();
    m_nameEdit->setText(name);
    OnNameChanged();

    StudioManager& manager = m_host.Manager();
    ClearStudio(manager, *manager.memoryStudio);
    QString info;
    if (LoadBusinessMemory(m_host.XmlStore(), name)) {
        info = MemoryInfoText(*manager.memoryStudio);
    } else {
        // Whatever a broken file placed before it failed was never shown to the operator:
        // Load must not apply it.
        ClearStudio(manager, *manager.memoryStudio);
    }
    m_infoEdit->setPlainText(info.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    SetToolState(kToolLoad, 1);
}

void CControlFormView::OnNameChanged() {
    SetToolState(kToolSave, 1);
}

void CControlFormView::OnSave() {
    if (!m_host.AskOperator(QStringLiteral("Do you want to save current setting?"), kMemoryCaption,
                            true)) {
        return;
    }
    CXmlStore& store = m_host.XmlStore();
    if (SaveBusinessMemory(store, m_nameEdit->text())) {
        m_fileList->clear();
        ListBusinessMemory(store);
    }
    m_infoEdit->clear();
    m_nameEdit->clear();
    OnNameChanged();
    SetToolState(kToolLoad, 0);
    SetToolState(kToolSave, 0);
}

void CControlFormView::OnOpen() {
    StudioManager& manager = m_host.Manager();
    StudioData* studio = CurrentStudio(manager);
    if (studio == nullptr) {
        return;
    }
    if (!m_host.AskOperator(QStringLiteral("Current settig is deleted. Do you want to open file?"),
                            kMemoryCaption, true)) {
        return;
    }
    ApplyMemoryStudio(studio, *manager.memoryStudio);
    // The studio list rebuilds the studio's items and, through the grid, resets this panel.
    SendAppMessage(m_host.StudioListPane(), WM_BM_APPLIED);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (const StrobeData* unit = studio->UnitAt(slot)) {
            m_host.Protocol().SendUnitSettings(0, unit);
        }
    }
}

void CControlFormView::SetToolState(int flag, int enabled) {
    SendAppMessage(m_host.FrameTarget(), WM_SET_TOOL_STATE, flag, static_cast<quintptr>(enabled));
}
