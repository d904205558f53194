#!/usr/bin/env bash
# Single-line mutants of the rules that matter, each of which some test must kill.
#
# The tracked files of this tree (as they are now, uncommitted changes included) are copied to
# a scratch folder, built there once (Debug, no -Werror, with the standard library's bounds
# checks so that an index mutant fails loudly), then each mutant in turn: one replacement in
# one file, an incremental build of the test program that must catch it, a run of that program
# (filtered to the tests that guard the rule), and the file restored. A mutant is killed when
# the program fails, survived when it passes; one that does not build is reported apart.
#
#   scripts/mutants.sh [--only SUBSTRING] [--keep]
#     --only   run only the mutants whose name contains SUBSTRING
#     --keep   keep the scratch folder (it is reused by the next run: MUTANTS_DIR, default
#              ${TMPDIR:-/tmp}/tarnel-mutants); JOBS sets the build's parallelism (default 2)
#
# Not part of CI: a full run takes about a quarter of an hour on two cores (the first build
# of the scratch tree as long again).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

only=""
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --only) only=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "usage: $0 [--only SUBSTRING] [--keep]" >&2; exit 2 ;;
  esac
done

# name @@ test program @@ gtest filter @@ file @@ occurrence @@ pattern @@ replacement
# The pattern is literal text; occurrence picks which match (1 = the first). Each mutant
# changes one line; "\n" in a pattern takes in a neighbouring line to make the match unique.
# The filter names the tests that guard the rule ('*' for all of the program).
mutants=$(cat <<'EOF'
a change from elsewhere forgets who sent it @@ test_shell @@ *WhateverMadeIt* @@ control/CUnitControl.cpp @@ 1 @@ change.origin = m_origin; @@ (void)m_origin;
a remote command runs under a modal dialog @@ test_shell @@ *Elsewhere* @@ control/CCommandDesk.cpp @@ 1 @@ if (m_host.IsBusy()) { @@ if (false) {
a remote power above 8.1 is sent @@ test_shell @@ *Elsewhere* @@ control/CCommandDesk.cpp @@ 1 @@ tenths < POWER_MIN || tenths > POWER_MAX @@ tenths < POWER_MIN
a remote step past the widest step is taken @@ test_shell @@ *Elsewhere* @@ control/CCommandDesk.cpp @@ 1 @@ std::abs(tenths) > kWidestStep @@ std::abs(tenths) > 1000
a remote flash step leaves the Prop partner @@ test_shell @@ *Elsewhere* @@ control/CCommandDesk.cpp @@ 1 @@ const bool propLink = one.nModelMode1 == 1; @@ const bool propLink = false;
the roll call's mark is not told @@ test_shell @@ *WhateverMadeIt* @@ control/CUnitControl.cpp @@ 1 @@ emit answerMarked(RefOf(&unit)); @@ (void)unit;
a picked unit leaves the panel as it was @@ test_shell @@ * @@ shell/CMainFrame.cpp @@ 1 @@ connect(grid, &CNavigationGrid::unitPicked, m_control, &CControlFormView::OnUnitPicked); @@ (void)grid;
a switch report takes the member of another field @@ test_link @@ * @@ model/SettingField.h @@ 1 @@ {"cell", &StrobeData::bFlashCell, 0, 1, false, kFieldFlashCell, 7, "bFlashCell"}, @@ {"cell", &StrobeData::bFlashSnd, 0, 1, false, kFieldFlashCell, 7, "bFlashCell"},
prop spin step holds the partner at 1.1 @@ test_model @@ * @@ model/PowerValue.cpp @@ 1 @@ partner = std::max(partner - 1, POWER_MIN); @@ partner = partner - 1;
prop spin step holds the partner at 8.1 @@ test_model @@ * @@ model/PowerValue.cpp @@ 1 @@ partner = std::min(partner + 1, POWER_MAX); @@ partner = partner + 1;
offset spin holds the partner offset at -8.1 @@ test_model @@ * @@ model/PowerValue.cpp @@ 1 @@ partner = std::max(partner - 1, -OFFSET_LIMIT); @@ partner = partner - 1;
offset drag holds the partner offset at -8.1 @@ test_model @@ * @@ model/PowerValue.cpp @@ 1 @@ std::clamp(partner + change, -OFFSET_LIMIT, OFFSET_LIMIT); @@ std::clamp(partner + change, -OFFSET_LIMIT - 1, OFFSET_LIMIT);
offset drag holds the partner slider at 1 @@ test_model @@ * @@ model/PowerValue.cpp @@ 1 @@ std::clamp(partnerPosition + change, OFFSET_SLIDER_MIN, OFFSET_SLIDER_MAX); @@ std::clamp(partnerPosition + change, OFFSET_SLIDER_MIN - 1, OFFSET_SLIDER_MAX);
reader feeds one byte too many @@ test_link @@ * @@ link/CZbFrameReader.cpp @@ 1 @@ for (int i = 0; i < held; ++i) { @@ for (int i = 0; i <= held; ++i) {
reader feeds one byte too few @@ test_link @@ * @@ link/CZbFrameReader.cpp @@ 1 @@ for (int i = 0; i < held; ++i) { @@ for (int i = 1; i < held; ++i) {
a command byte of no known type begins a frame @@ test_link @@ FrameCutter.* @@ link/CZbFrameCutter.h @@ 1 @@ default:\n            return ZB_TYPE_NONE; @@ default:\n            return type;
a frame cut short is not shown as junk @@ test_link @@ FrameCutter.* @@ link/CZbFrameCutter.h @@ 1 @@ sink.Junk(frame.data(), nCount);  // cut short @@ // cut short
a frame given up runs into the noise before it @@ test_link @@ FrameCutter.* @@ link/CZbFrameSplitter.cpp @@ 1 @@ if (bytes[0] == ZB_START) { @@ if (false) {
clearing a studio keeps its units in the grid list @@ test_model @@ * @@ model/StudioManager.cpp @@ 1 @@ rows.erase(std::remove(rows.begin(), rows.end(), unit), rows.end()); @@ (void)rows;
a slot index of 10 is placed @@ test_store @@ * @@ model/StudioData.cpp @@ 1 @@ static_cast<unsigned>(unitIndex) > 9u @@ static_cast<unsigned>(unitIndex) > 10u
a studio number only covers its own units @@ test_store @@ * @@ store/CXmlStore.cpp @@ 1 @@ storing = storing || s.toElement() @@ storing = s.toElement()
option values by element, comments skipped @@ test_store @@ * @@ store/CXmlStore.cpp @@ 1 @@ root.firstChild().firstChild(); @@ root.firstChildElement().firstChildElement();
overheat from 61 @@ test_navigation @@ * @@ model/StrobeData.cpp @@ 1 @@ kOverheatTemperature = 60; @@ kOverheatTemperature = 61;
overheat above 60 only @@ test_navigation @@ * @@ model/StrobeData.cpp @@ 1 @@ unit.nTemperature >= kOverheatTemperature @@ unit.nTemperature > kOverheatTemperature
refresh leaves the status cell @@ test_navigation @@ * @@ navigation/CNavigationGrid.cpp @@ 1 @@ TitleText(*unit));\n    PaintUnitStatus(unit, k, false); @@ TitleText(*unit));\n    (void)k;
refresh leaves the icons @@ test_navigation @@ * @@ navigation/CNavigationGrid.cpp @@ 1 @@ SetAllIcons(unit, k);\n    RedrawRange( @@ (void)k;\n    RedrawRange(
mode icons swap columns @@ test_navigation @@ * @@ navigation/CNavigationGrid.cpp @@ 1 @@ kCols[kIconCount] = {2, 3, 2, 3, 4}; @@ kCols[kIconCount] = {3, 2, 2, 3, 4};
sound code redraws the cell icon @@ test_navigation @@ * @@ navigation/CNavigationGrid.cpp @@ 1 @@ redrawIcon(kIconSound); @@ redrawIcon(kIconCell);
mode-2 code redraws the mode-1 icon @@ test_navigation @@ * @@ navigation/CNavigationGrid.cpp @@ 1 @@ redrawIcon(kIconMode2); @@ redrawIcon(kIconMode1);
selection edit redraws past the grid's list @@ test_navigation @@ * @@ navigation/CNavigationFormView.cpp @@ 1 @@ : std::min<int>(studio->nChItemCnt, static_cast<int>(units.size())); @@ : studio->nChItemCnt;
a notice resolves to a replacement unit @@ test_model @@ * @@ model/StudioManager.cpp @@ 1 @@ return unit != nullptr && unit->nSerial == ref.nSerial ? unit : nullptr; @@ return unit;
placements share one serial number @@ test_model @@ * @@ model/StudioData.cpp @@ 1 @@ unit->nSerial = g_lastPlacement.fetch_add(1, std::memory_order_relaxed) + 1; @@ unit->nSerial = 1;
the core's notice names the unit it changed @@ test_shell @@ COperatorSeamTest.Notices* @@ control/CUnitControl.cpp @@ 1 @@ emit unitEdited(RefOf(units.front()), change.field); @@ emit unitEdited(UnitRef{}, change.field);
a Buffer full box per overflowing burst @@ test_link @@ CommThreadLife.* @@ link/CCommThread.cpp @@ 1 @@ if (!m_bufferFullAlert.exchange(true, std::memory_order_acq_rel)) { @@ if (true) {
a full ring drops what does not fit @@ test_link @@ CommThreadLife.AFullRing* @@ link/CCommThread.cpp @@ 1 @@ const int room = std::min(m_ring.Free(), kReadChunk); @@ const int room = kReadChunk;
a drain does not wake a watcher waiting for room @@ test_shell @@ COperatorSeamTest.AStalled* @@ link/CCommThread.cpp @@ 1 @@ if (m_ring.RoomMade() && hPort) { @@ if (false) {
a reconnection does not select the active studio @@ test_link @@ CoreEndToEndTest.* @@ link/CRadioSession.cpp @@ 1 @@ if (const StudioData* studio = m_manager.activeStudio) { @@ if (const StudioData* studio = nullptr) {
failed reopenings do not back off @@ test_link @@ CoreEndToEndTest.* @@ link/CReconnector.cpp @@ 1 @@ if (m_triedAny && now == m_lastTried && std::chrono::steady_clock::now() < m_nextTry) { @@ if (false) {
a closed link is reopened when its device comes back @@ test_link @@ CoreEndToEndTest.* @@ link/CRadioSession.cpp @@ 1 @@ m_rejoin = false;\n    m_reconnector->Stop(); @@ m_reconnector->Stop();
a held arrow steps under a modal box @@ test_shell @@ COperatorSeamTest.HeldSpin* @@ widgets/CFlatSpinButtonCtrl.cpp @@ 1 @@ return modal == nullptr || modal == window() || modal->isAncestorOf(this); @@ return modal != this;
a held arrow steps with another window active @@ test_shell @@ COperatorSeamTest.HeldSpin* @@ widgets/CFlatSpinButtonCtrl.cpp @@ 1 @@ if (e->type() == QEvent::WindowDeactivate) { @@ if (false) {
a hidden arrow goes on stepping @@ test_shell @@ COperatorSeamTest.HeldSpin* @@ widgets/CFlatSpinButtonCtrl.cpp @@ 1 @@ hideEvent(QHideEvent* e) {\n    StopRepeat(); @@ hideEvent(QHideEvent* e) {\n    (void)0;
a release elsewhere leaves the arrow stepping @@ test_shell @@ COperatorSeamTest.HeldSpin* @@ widgets/CFlatSpinButtonCtrl.cpp @@ 1 @@ qApp->installEventFilter(this); @@ (void)qApp;
a middle click moves the slider @@ test_shell @@ COperatorSeamTest.Controls* @@ widgets/CFlatSliderCtrl.cpp @@ 1 @@ if (e->button() != Qt::LeftButton) { @@ if (false) {
a greyed slider commits its release @@ test_shell @@ COperatorSeamTest.Controls* @@ panels/CPowerControlSet.cpp @@ 1 @@ if (slider != nullptr && slider->isEnabled()) { @@ if (slider != nullptr) {
a block already current in the grid is not picked again @@ test_navigation @@ * @@ navigation/CNavigationGrid.cpp @@ 1 @@ if (unit == nullptr || (k == nCurrentUnit && CurrentUnit(m_manager) == unit)) { @@ if (unit == nullptr || k == nCurrentUnit) {
a click where the grid's current cell already is picks nothing @@ test_shell @@ COperatorSeamTest.Tree* @@ navigation/CNavigationGrid.cpp @@ 1 @@ PickBlock(row / kRowsPerUnit); @@ (void)row;
a chosen light name gives way to its unit @@ test_shell @@ COperatorSeamTest.Tree* @@ navigation/CNavigationGrid.cpp @@ 1 @@ if (CurrentUnit(m_manager) != unit) { @@ if (true) {
the shown studio chosen again keeps a current block @@ test_shell @@ COperatorSeamTest.Tree* @@ navigation/CStudioListFormView.cpp @@ 1 @@ emit nodeShown(nullptr, false); @@ (void)0;
a rename stays out of the grid @@ test_shell @@ COperatorSeamTest.Tree* @@ navigation/CNavigationFormView.cpp @@ 1 @@ connect(control, &CUnitControl::unitRenamed, this, &CNavigationFormView::OnUnitRenamed); @@ (void)control;
a rebuild leaves the heading box as it was @@ test_shell @@ COperatorSeamTest.Tick* @@ navigation/CNavigationGrid.cpp @@ 1 @@ nCurrentUnit = -1;\n    SyncHeadingTick(); @@ nCurrentUnit = -1;\n    (void)0;
a unit box leaves the heading box as it was @@ test_shell @@ COperatorSeamTest.Tick* @@ navigation/CNavigationGrid.cpp @@ 1 @@ }\n        SyncHeadingTick(); @@ }\n        (void)0;
tick boxes hit-tested after scrolling @@ test_shell @@ COperatorSeamTest.Tick* @@ widgets/CGridCtrl.cpp @@ 1 @@ if (onTickBox && CellType(col, row) == kCellTypeTickBox) { @@ if (CellType(col, row) == kCellTypeTickBox && CGridCellPainter::TickBoxRect(CellRect(col, row)).contains(pos)) {
the grid's frame painted behind its cells @@ test_widgets @@ GridCtrlTest.Redrawing* @@ widgets/CGridCtrl.cpp @@ 1 @@ viewport()->setAttribute(Qt::WA_OpaquePaintEvent); @@ (void)0;
the tool bar's menu can hide it @@ test_shell @@ COperatorSeamTest.TheToolBar* @@ shell/CMainFrame.cpp @@ 1 @@ return nullptr; @@ return QMainWindow::createPopupMenu();
tips only in the active window @@ test_shell @@ COperatorSeamTest.TheToolBar* @@ shell/CMainFrame.cpp @@ 1 @@ setAttribute(Qt::WA_AlwaysShowToolTips); @@ (void)0;
unit names unbounded @@ test_shell @@ COperatorSeamTest.Names* @@ navigation/CStudioListFormView.cpp @@ 1 @@ m_nameEdit->setMaxLength(kMaxNameLength); @@ (void)0;
memory names unbounded @@ test_shell @@ COperatorSeamTest.Names* @@ panels/CBusinessMemoryGroup.cpp @@ 1 @@ m_nameEdit->setMaxLength(kMaxNameLength); @@ (void)0;
a save beyond the reading limit is written @@ test_shell @@ COperatorSeamTest.Names* @@ store/CXmlStore.cpp @@ 1 @@ return text.size() <= kMaxXmlFileBytes && WriteFileAtomically(path, text); @@ return WriteFileAtomically(path, text);
declaration in double quotes @@ test_store @@ * @@ store/CXmlTextWriter.cpp @@ 1 @@ version='1.0' encoding='utf-8' @@ version=\"1.0\" encoding=\"utf-8\"
a close notice of an earlier opening marks the present one closed @@ test_shell @@ CConnectionTest.CloseNotice* @@ link/CRadioSession.cpp @@ 1 @@ if (generation == m_link->Generation()) { @@ if (generation != 0) {
keys: a key moves a thumb without its label @@ test_panels @@ *Keyboard* @@ widgets/CFlatSliderCtrl.cpp @@ 1 @@ emit stepped(sliderPosition()); @@ (void)0;
keys: a released key leaves the thumb's move untaken @@ test_panels @@ *Keyboard* @@ widgets/CFlatSliderCtrl.cpp @@ 1 @@ if (!e->isAutoRepeat()) {\n        LetGo(); @@ if (!e->isAutoRepeat()) {\n        (void)0;
keys: the focus leaving keeps the thumb's move untaken @@ test_panels @@ *Keyboard* @@ widgets/CFlatSliderCtrl.cpp @@ 1 @@ went.\n    LetGo(); @@ went.\n    (void)0;
keys: a greyed slider sends its held key's move @@ test_panels @@ *Keyboard* @@ panels/CPowerControlSet.cpp @@ 1 @@ if (slider->isEnabled()) { @@ if (true) {
keys: a key step of an offset is snapped @@ test_panels @@ *Keyboard* @@ panels/CControlSelFormView.cpp @@ 1 @@ snap ? m_trackSnap.Filter(position, offset) : position; @@ m_trackSnap.Filter(position, offset);
keys: Page Up moves one tenth @@ test_shell @@ CKeyboardTest.Every* @@ widgets/CFlatSliderCtrl.cpp @@ 1 @@ triggerAction(up ? SliderPageStepAdd : SliderPageStepSub); @@ triggerAction(up ? SliderSingleStepAdd : SliderSingleStepSub);
keys: Page Up moves the thumb and sends nothing @@ test_shell @@ CKeyboardTest.Every* @@ widgets/CFlatSliderCtrl.cpp @@ 1 @@ m_keyStepping = false;\n    LetGo(); @@ m_keyStepping = false;\n    (void)0;
keys: a greyed spin steps for a key @@ test_shell @@ CKeyboardTest.Every* @@ widgets/CFlatSpinButtonCtrl.cpp @@ 1 @@ if (isEnabled() && isVisible()) { @@ if (true) {
keys: the hidden panel takes the keys @@ test_shell @@ CKeyboardTest.Every* @@ shell/CKeyCommands.cpp @@ 1 @@ m_panel.ComboIndex() == 1 ? @@ false ?
keys: a text field loses its keys @@ test_shell @@ CKeyboardTest.TheFocused* @@ shell/CKeyCommands.cpp @@ 1 @@ if (qobject_cast<const QLineEdit*>(focus) != nullptr || @@ if (false ||
keys: a button loses its Space @@ test_shell @@ CKeyboardTest.TheFocused* @@ shell/CKeyCommands.cpp @@ 1 @@ return qobject_cast<const QAbstractButton*>(focus) != nullptr || @@ return false ||
keys: a slider loses its Page Up @@ test_shell @@ CKeyboardTest.TheFocused* @@ shell/CKeyCommands.cpp @@ 1 @@ return qobject_cast<const QAbstractSlider*>(focus) != nullptr; @@ return false;
keys: Tab finds the selected-units panel last @@ test_shell @@ CKeyboardTest.Tab* @@ shell/CKeyCommands.cpp @@ 1 @@ m_orderStale = true; @@ (void)0;
keys: a focused list wears no frame @@ test_shell @@ CKeyboardTest.Tab* @@ shell/CKeyCommands.cpp @@ 1 @@ m_focusFrame->setWidget(view != nullptr @@ m_focusFrame->setWidget(false && view != nullptr
roll call: a silent unit is not marked @@ test_shell @@ *RollCall* @@ control/CUnitControl.cpp @@ 1 @@ unit.bNoAnswer = answering ? 0 : 1; @@ unit.bNoAnswer = 0;
roll call: a unit heard again stays marked @@ test_shell @@ *RollCall* @@ control/CUnitControl.cpp @@ 1 @@ unit.bNoAnswer = answering ? 0 : 1; @@ unit.bNoAnswer = 1;
roll call: the dongle's studio is not the active one @@ test_shell @@ *RollCall* @@ shell/CRollCall.cpp @@ 1 @@ m_host.Units().activeStudio = &studio; @@ (void)studio;
roll call: a right click chooses the studio @@ test_shell @@ *RollCall* @@ navigation/CStudioListFormView.cpp @@ 1 @@ Qt::RightButton) {\n            return true; @@ Qt::RightButton) {\n            (void)0;
roll call: the studio called from its menu is scanned first @@ test_shell @@ *RollCall* @@ navigation/CStudioListFormView.cpp @@ 1 @@ return !m_checkFollows && @@ return
roll call: a silent unit shows what it last said @@ test_navigation @@ * @@ model/StrobeData.cpp @@ 1 @@ if (unit.bNoAnswer != 0) { @@ if (false) {
roll call: a value notice overwrites No answer @@ test_navigation @@ * @@ navigation/CUnitBlockLook.cpp @@ 1 @@ status.normal = condition == UnitCondition::kWorking; @@ status.normal = condition == UnitCondition::kWorking || condition == UnitCondition::kNoAnswer;
access: a spin's value is not its label's @@ test_shell @@ CAccessibilityTest.* @@ widgets/CFlatSpinButtonCtrl.cpp @@ 1 @@ return m_valueLabel != nullptr ? m_valueLabel->text() : QString(); @@ return QString();
access: the grid's new current row is not told @@ test_shell @@ CAccessibilityTest.* @@ navigation/CNavigationGrid.cpp @@ 1 @@ QAccessible::Focus); @@ QAccessible::NameChanged);
access: the connection pane has a name of its own @@ test_shell @@ CAccessibilityTest.* @@ shell/CMainFrame.cpp @@ 1 @@ m_statusLink->setAccessibleDescription(QStringLiteral("Connection")); @@ m_statusLink->setAccessibleName(QStringLiteral("Connection"));
access: a spin steps without telling @@ test_shell @@ CAccessibilityTest.* @@ widgets/CFlatSpinButtonCtrl.cpp @@ 1 @@ QAccessible::updateAccessibility(&event); @@ (void)event;
hostile: a damaged memory is applied @@ test_store @@ BusinessMemoryTest.Apply* @@ store/CXmlStore.cpp @@ 1 @@ if (destination == nullptr || !MemoryFault(source).isEmpty()) { @@ if (destination == nullptr) {
hostile: Load applies a damaged memory untold @@ test_shell @@ CHostileInputTest.ADamaged* @@ panels/CBusinessMemoryGroup.cpp @@ 1 @@ MemoryFault(*manager.memoryStudio); !fault.isEmpty()) { @@ QString(); !fault.isEmpty()) {
hostile: a negative power loses its sign @@ test_shell @@ CHostileInputTest.ADamaged* @@ model/SettingField.cpp @@ 1 @@ .arg(value < 0 ? QStringLiteral("-") : QString()) @@ .arg(QString())
hostile: a wild power goes out as its low byte @@ test_link @@ ProtocolBuilderTest.* @@ link/CZbProtocol.cpp @@ 1 @@ if (!SendableMask(m) || !SendableSettings(*unit)) { @@ if (!SendableMask(m)) {
hostile: the power command carries wild powers @@ test_link @@ ProtocolBuilderTest.* @@ link/CZbProtocol.cpp @@ 1 @@ if (!SendablePowers(*unit)) {\n                return false; @@ if (false) {\n                return false;
hostile: a mask byte may read 0xFF @@ test_link @@ ProtocolBuilderTest.* @@ link/CZbProtocol.cpp @@ 1 @@ return (mask & ~kSendableMaskBits) == 0; @@ return true;
hostile: a report keeps a wild power @@ test_shell @@ CHostileInputTest.Reports* @@ link/CStrobeEventHandler.cpp @@ 1 @@ if (InPowerRange(value)) {\n        field = value; @@ if (true) {\n        field = value;
hostile: a link out of the folder is followed @@ test_shell @@ CHostileInputTest.Links* @@ store/CXmlStore.cpp @@ 1 @@ target.isEmpty() || !target.startsWith(folder + u'/')) { @@ target.isEmpty()) {
hostile: a FIFO is opened waiting for a writer @@ test_shell @@ CHostileInputTest.AFileSwapped* @@ store/XmlFileIo.cpp @@ 1 @@ int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC; @@ int flags = O_RDONLY | O_NOCTTY | O_CLOEXEC;
com: the link closes while the dialog is shown @@ test_shell @@ CConnectionTest.OkConnects* @@ shell/CMainFrame.cpp @@ 1 @@ if (dialog.exec() != QDialog::Accepted) { @@ m_session->Close();\n    if (dialog.exec() != QDialog::Accepted) {
scan: a scan while disconnected empties the studio @@ test_shell @@ *RollCall* @@ shell/CMainFrame.cpp @@ 1 @@ if (!m_session->IsConnected()) {\n        // Nothing could answer @@ if (false) {\n        // Nothing could answer
keys: Shift chooses the model power @@ test_shell @@ CKeyboardTest.Every* @@ shell/CKeyCommands.cpp @@ 1 @@ const bool ctrl = modifiers.testFlag(Qt::ControlModifier); @@ const bool ctrl = modifiers.testFlag(Qt::ShiftModifier);
ports: a COM name alone outweighs the one USB dongle @@ test_shell @@ CConnectionTest.Devices* @@ shell/CPortCatalog.cpp @@ 1 @@ stored->present && !stored->bare @@ stored->present
list: the tree's selection stays behind the grid's pick @@ test_shell @@ COperatorSeamTest.TreeGrid* @@ shell/CMainFrame.cpp @@ 1 @@ connect(grid, &CNavigationGrid::unitPicked, m_studioList, @@ QObject::disconnect(grid, &CNavigationGrid::unitPicked, m_studioList,
panel: a unit switched off leaves its settings usable @@ test_shell @@ * @@ panels/CControlFormView.cpp @@ 1 @@ w->setEnabled(on || (m_showsUnit && w == c.powerButton)); @@ w->setEnabled(m_showsUnit);
panel: a reset panel stays usable @@ test_panels @@ *GridRebuild* @@ panels/CControlFormView.cpp @@ 1 @@ m_showsUnit = false; @@ (void)0;
a full status waits for a second trip to the grid @@ test_shell @@ CShellTest.Reports* @@ navigation/CNavigationFormView.cpp @@ 1 @@ &CNavigationFormView::OnUnitReported); @@ &CNavigationFormView::OnUnitReported, Qt::QueuedConnection);
panel: Test stays usable without the dongle @@ test_shell @@ COperatorSeamTest.TreeGrid* @@ panels/CControlFormView.cpp @@ 1 @@ c.testButton->setEnabled(on && m_host.IsConnected()); @@ c.testButton->setEnabled(on);
tips: an icon's tip does not follow its state @@ test_shell @@ CAccessibilityTest.* @@ navigation/CNavigationGrid.cpp @@ 1 @@ UnitIconValue(static_cast<Icon>(icon), unit)), @@ 0),
undo sends nothing back @@ test_shell @@ CUndoTest.* @@ control/CUnitControl.cpp @@ 1 @@ } else {\n        Send(change, units); @@ } else {\n        (void)0;
a held arrow is a step per repeat @@ test_shell @@ CUndoTest.* @@ shell/CUndoHistory.cpp @@ 1 @@ return m_change.gesture != 0 ? kHeldArrowId : -1; @@ return -1;
undo while the dongle is on another studio @@ test_shell @@ CUndoTest.* @@ shell/CUndoHistory.cpp @@ 1 @@ if (sends && dongle != studio) { @@ if (false) {
undo of a ticked mode puts one value back on all @@ test_shell @@ CUndoTest.* @@ control/CUnitControl.cpp @@ 1 @@ masks[unit->*member] |= UnitMaskOf(unit->nChNum); @@ masks[0] |= UnitMaskOf(unit->nChNum);
the panel does not show an undone change @@ test_shell @@ CUndoTest.* @@ panels/CControlFormView.cpp @@ 1 @@ if (!m_committing && m_host.Manager().Resolve(unit) == Unit()) { @@ if (false) {
after an apply a differing unit counts as confirmed @@ test_shell @@ COperatorSeamTest.RollCallAfterAMemory* @@ shell/CRollCall.cpp @@ 1 @@ if (mismatches.isEmpty()) { @@ if (true) {
a report's change waits for the event queue @@ test_shell @@ CShellTest.Reports* @@ navigation/CNavigationFormView.cpp @@ 1 @@ connect(control, &CUnitControl::unitChanged, this, &CNavigationFormView::OnUnitEdited); @@ connect(control, &CUnitControl::unitChanged, this, &CNavigationFormView::OnUnitEdited, Qt::QueuedConnection);
a unit added after it was gone is still announced @@ test_shell @@ CShellTest.Notices* @@ navigation/CStudioListFormView.cpp @@ 1 @@ if (unit == nullptr) {\n        return;\n    }\n    if (m_shownStudioItem @@ if (false) {\n        return;\n    }\n    if (m_shownStudioItem
the roll call hears no status report @@ test_shell @@ *RollCall* @@ shell/CRollCall.cpp @@ 1 @@ connect(&core, &CUnitControl::unitReported, this, &CRollCall::HeardOf); @@ (void)core;
the list's choice of a studio shows a gone one @@ test_navigation @@ * @@ navigation/CNavigationFormView.cpp @@ 1 @@ if (m_manager.Contains(studio)) {\n        m_grid->ShowStudio(studio); @@ if (true) {\n        m_grid->ShowStudio(studio);
EOF
)

scratch=${MUTANTS_DIR:-${TMPDIR:-/tmp}/tarnel-mutants}
src=$scratch/src
build=$scratch/build
mkdir -p "$src"
# The tree as it is now. Only files whose content changed are copied (and so get a new time),
# so that a second run over a kept folder rebuilds little.
git ls-files -z | while IFS= read -r -d '' file; do
  if [ -f "$file" ] && ! cmp -s "$file" "$src/$file"; then
    mkdir -p "$src/$(dirname "$file")"
    cp "$file" "$src/$file"
  fi
done
cleanup() {
  if [ "$keep" -eq 0 ]; then
    rm -rf "$scratch"
  fi
}
trap cleanup EXIT

echo "building the unmutated tree in $build ..."
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNEL_WERROR=OFF \
  -DTARNEL_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="-D_GLIBCXX_ASSERTIONS" >/dev/null
programs=$(printf '%s\n' "$mutants" | awk -F' @@ ' 'NF { print $2 }' | sort -u)
# shellcheck disable=SC2086
cmake --build "$build" -j "${JOBS:-2}" --target strobe-sim $programs >/dev/null

export QT_QPA_PLATFORM=offscreen STROBE_SIM="$build/sim/strobe-sim" TARNEL_SOURCE_DIR="$src"
killed=0
survived=0
broken=0
total=0
log=$scratch/mutant.log
while IFS= read -r line; do
  [ -z "$line" ] && continue
  IFS=$'\x1f' read -r name program filter file occurrence pattern replacement \
    < <(printf '%s\n' "$line" | sed 's/ @@ /\x1f/g')
  case "$name" in *"$only"*) ;; *) continue ;; esac
  total=$((total + 1))
  target=$src/$file
  cp "$target" "$scratch/original"
  if ! python3 - "$target" "$occurrence" "$pattern" "$replacement" <<'PY'; then
import sys
path, nth = sys.argv[1], int(sys.argv[2])
pattern, replacement = (a.replace("\\n", "\n") for a in sys.argv[3:5])
text = open(path, encoding="utf-8").read()
at = -1
for _ in range(nth):
    at = text.find(pattern, at + 1)
    if at < 0:
        sys.exit(1)
open(path, "w", encoding="utf-8").write(text[:at] + replacement + text[at + len(pattern):])
PY
    echo "BROKEN    $name (pattern not found in $file)"
    broken=$((broken + 1))
    continue
  fi
  if ! cmake --build "$build" -j "${JOBS:-2}" --target "$program" >"$log" 2>&1; then
    echo "BROKEN    $name (does not build)"
    broken=$((broken + 1))
  # The subshell waits (rather than becoming the program), so a crash is told to the log.
  elif (cd "$build/tests" && timeout 600 "./$program" --gtest_filter="$filter"; exit $?) \
    >"$log" 2>&1; then
    echo "SURVIVED  $name ($program $filter)"
    survived=$((survived + 1))
  else
    echo "killed    $name"
    killed=$((killed + 1))
  fi
  cp "$scratch/original" "$target"
done <<< "$mutants"
# Leave the build matching the unmutated tree for the next run.
# shellcheck disable=SC2086
cmake --build "$build" -j "${JOBS:-2}" --target $programs >/dev/null

valid=$((killed + survived))
echo "killed $killed of $valid mutants ($(( valid > 0 ? 100 * killed / valid : 0 ))%); $broken broken"
[ "$survived" -eq 0 ] && [ "$broken" -eq 0 ]
