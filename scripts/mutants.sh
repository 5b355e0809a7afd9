#!/usr/bin/env bash
# Plants one deliberate fault at a time in a scratch copy of the program, builds it and
# runs the tests that should notice. A fault the tests let through is a hole in them.
#   scripts/mutants.sh --list        the faults, one a line
#   scripts/mutants.sh [NAME...]     all of them, or the ones named
# Not part of the test command: a full run takes about an hour on two cores.
set -euo pipefail
root=${VIDLARK_ROOT:-$(cd "$(dirname "$0")/.." && pwd)}
scratch=${VIDLARK_MUTANTS_DIR:-/tmp/vidlark-mutants}

names=() files=() olds=() news=() suites=()
# name, file, text as it stands (exactly once in the file), text with the fault, ctest regex
mutant() { names+=("$1"); files+=("$2"); olds+=("$3"); news+=("$4"); suites+=("$5"); }

H=playback/playback_handlers.cpp
mutant done-position-read-once $H \
  $'        const std::int16_t loopRev = c.ChkLoopRev.value();\n        const std::int32_t position = c.MMControl1.position();\n        const std::int32_t length' \
  $'        const std::int16_t loopRev = c.ChkLoopRev.value();\n        const std::int32_t position = c.MMControl1.length();\n        const std::int32_t length' \
  'playback_handlers|integration_player'
mutant done-ignores-notify-code $H 'if (NotifyCode != 1)' 'if (NotifyCode == 0)' 'playback_handlers'
mutant loop-without-prev $H $'            c.MMControl1.setCommand(QStringLiteral("prev"));\n' '' 'playback_handlers|integration_player'
mutant backward-range-order-swapped $H $'    mm.setTo(0);\n    mm.setFrom(mm.length());' $'    mm.setFrom(mm.length());\n    mm.setTo(0);' 'playback_handlers'
mutant looprev-leaves-loop-enabled $H 'c.ChkLoop.setEnabled(false);' 'c.ChkLoop.setEnabled(true);' 'playback_handlers|app_form1'
mutant looprev-keeps-reverse-checked $H $'        c.Chkrev.setValue(0);\n' '' 'playback_handlers'
mutant reverse-click-forgets-to-replay $H 'if (mode == mci_mode::kPlaying)' 'if (c.MMControl1.mode() == mci_mode::kPlaying)' 'playback_handlers'
mutant cancel-closes-the-clip $H $'    if (!c.CommonDialog1.showOpen())\n        return;\n    c.MMControl1.setCommand(QStringLiteral("close"));' $'    c.MMControl1.setCommand(QStringLiteral("close"));\n    if (!c.CommonDialog1.showOpen())\n        return;' 'playback_handlers|integration_player'
mutant open-without-new-backward-range $H $'    if (c.Chkrev.value() == 1)\n        setBackwardRange(c.MMControl1);\n    c.Slider1.setValue(0);' $'    c.Slider1.setValue(0);' 'playback_handlers|integration_player'
mutant sound-box-ignored $H $'c.MMControl1.setSilent(c.Check2.value() == 0);\n}' $'c.MMControl1.setSilent(false);\n}' 'playback_handlers|integration_player'
mutant status-update-moves-slider-always $H $'    if (c.MMControl1.mode() == mci_mode::kPlaying)\n        copyPositionToSlider' $'    copyPositionToSlider' 'playback_handlers'
mutant slider-click-seeks-from $H 'c.MMControl1.setTo(c.Slider1.value());' 'c.MMControl1.setFrom(c.Slider1.value());' 'playback_handlers|integration_player'
mutant title-without-file-name $H 'kTitle + QStringLiteral(" - ") + c.MMControl1.fileName()' 'kTitle + QStringLiteral(" - ")' 'playback_handlers|integration_player|install_tree'

T=platform/mci/engine/transport_state.cpp
mutant direction-forgotten-by-moves $T $'    rememberDirection(ends);\n' '' 'mci_events'
mutant waiting-ends-kept-after-command platform/mci/engine/transport_state.cpp 'return std::exchange(m_ends, Ends{});' 'return m_ends;' 'mci_events|playback_handlers|integration_player'
mutant out-of-range-number-changed $T 'result.error = 30282;' 'result.error = 30281;' 'mci_events'
mutant stop-enabled-while-stopped $T 'default: return button != Button::Pause && button != Button::Stop;' 'default: return button != Button::Pause;' 'mci_events|mci_widget'
mutant back-steps-two $T 'return showAt(std::max(0, m_position - m_frames));' 'return showAt(std::max(0, m_position - m_frames - 1));' 'mci_events|mci_frame_accuracy'
mutant play-end-position-one-short $T 'm_position = m_play->to;' 'm_position = m_play->to - (m_play->to > 0);' 'mci_events|playback_handlers|integration_player'
mutant pause-raises-no-done $T $'            result.done.push_back(mci_notify::kAborted);\n            m_play->paused = true;' $'            m_play->paused = true;' 'mci_events'

C=platform/mci/engine/clip_index.cpp
mutant frame-map-off-by-one $C 'clip->m_slotPacket.assign(static_cast<std::size_t>(nextSlot), -1);' 'clip->m_slotPacket.assign(static_cast<std::size_t>(nextSlot + 1), -1);' 'mci_frame_accuracy|mci_events'
mutant empty-chunks-take-no-slot $C 'std::int64_t slot = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : nextSlot;' 'std::int64_t slot = nextSlot;' 'mci_frame_accuracy'
mutant folder-opened-as-a-file $C ' || S_ISDIR(st.st_mode)) return makeError(kErrFileNotFound);' ') return makeError(kErrFileNotFound);' 'mci_bad_files'

D=platform/mci/engine/frame_decoder.cpp
mutant nonref-skipped-too-close $D 'm_nextFeedSlot + kReorderMargin < m_exactFrom' 'm_nextFeedSlot < m_exactFrom + kReorderMargin' 'mci_frame_accuracy'
mutant damaged-clip-skips-frames $D '!m_damaged && m_nextFeedSlot + kReorderMargin < m_exactFrom' 'm_nextFeedSlot + kReorderMargin < m_exactFrom' 'mci_frame_accuracy'
mutant damaged-group-without-history $D 'm_damaged && concealed(*m_frame) && needsHistory(slot)' 'false' 'mci_frame_accuracy'
mutant damage-reports-ignored $D '(m_errorReported.load() || concealed(*m_frame))' 'concealed(*m_frame)' 'mci_frame_accuracy'
B=platform/mci/engine/cleared_buffers.cpp
mutant damaged-mjpeg-not-cleared $B '(shortPictures == ShortPictures::Reported && damageSeen)' 'false' 'mci_frame_accuracy'
mutant silent-stops-taken-as-reported $B $'    case AV_CODEC_ID_AMV:\n' $'    case AV_CODEC_ID_AMV:\n    case AV_CODEC_ID_JPEGLS:\n' 'mci_frame_accuracy'
mutant cut-pictures-end-in-zeros $B 'if (av_image_fill_black(frame->data, linesizes, format, frame->color_range, frame->width, frame->height) < 0) {' 'if (true) {' 'mci_frame_accuracy'
G=platform/mci/engine/backward_budget.cpp
mutant budget-blind-to-picture-size $G 'std::clamp(kCeilingPictures * pictureBytes, kCeilingFloor, kCeilingCap)' 'kCeilingFloor' 'mci_backward_budget'
mutant budget-blind-to-the-machine $G 'physicalBytes > 0 ? std::min(grown, physicalBytes / kMachineShare) : grown' 'grown' 'mci_backward_budget'
mutant backward-lead-without-time-to-spare platform/mci/engine/decode_channel.cpp 'constexpr double kTrust = 0.8;' 'constexpr double kTrust = 1.0;' 'mci_backward_lead'
mutant cache-keeps-the-wrong-end platform/mci/engine/frame_cache.cpp 'if (slot >= it->second.until) return std::nullopt;' 'if (slot > it->second.until) return std::nullopt;' 'mci_frame_accuracy|mci_events'
mutant mute-ignored platform/mci/engine/sound_player.cpp 'if (m_muted.load()) std::fill(out.begin(), out.end(), 0.0f);' '' 'mci_sound|integration_player'
mutant backward-top-counted-as-shown platform/mci/engine/decode_channel.cpp 'request.kind == DecodeRequest::Backward ? request.from + 1 : request.from' 'request.from' 'mci_events'
mutant silent-not-passed-on platform/mci/mci_device.cpp 'if (m_impl->m_session && m_impl->m_session->sound) m_impl->m_session->sound->setMuted(silent);' '' 'mci_sound|integration_player'
mutant backward-sound-not-reversed platform/mci/audio/sample_block_store.cpp 'const std::int64_t f = backward ? first - i : first + i;' 'const std::int64_t f = first + i;' 'mci_sound|sample_block_store|audio_track'
A=platform/mci/audio/decoded_audio_track.cpp
mutant sound-start-ignored $A 'm_leadIn = at;  // else a wild stamp' 'm_leadIn = 0 * at;  // else a wild stamp' 'mci_sound'
mutant sound-start-a-block-late $A 'm_leadIn = at;  // else a wild stamp' 'm_leadIn = (at + kBlock - 1) / kBlock * kBlock;  // else a wild stamp' 'mci_sound'
S=platform/mci/engine/sound_clock.cpp
mutant sound-clock-held-between-buffers $S $'if (behind > kJumpNs * m_speed) {\n        m_line = Line{told, time, m_speed};' $'if (true) {\n        m_line = Line{told, time, 1e-12};' 'mci_sound_clock'
mutant sound-clock-takes-each-buffer-at-its-word $S 'if (behind > kJumpNs * m_speed) {' 'if (true) {' 'mci_sound_clock'
mutant sound-clock-not-steered $S 'm_line = Line{now, time, m_speed * (1 + steer)};' 'm_line = Line{now, time, m_speed + 0 * steer};' 'mci_sound_clock'

mutant startup-error-text-changed app/window_handlers.cpp 'QStringLiteral("Periferica chiusa o sconosciuta")' 'QStringLiteral("Periferica chiusa")' 'app_window_handlers'
mutant help-path-doubled-slash app/window_handlers.cpp 'c.App.setHelpFile(locateHelpFile(c.App.appPath() + QStringLiteral("vlrk10.hlp")));' 'c.App.setHelpFile(locateHelpFile(c.App.appPath() + QStringLiteral("/vlrk10.hlp")));' 'app_window_handlers'
mutant help-error-leaves-window-open app/window_handlers.cpp $'QStringLiteral(" - Exiting"));\n        c.Form1.unload();' $'QStringLiteral(" - Exiting"));' 'app_window_handlers'
mutant help-started-through-a-shell platform/forms/program_starter.cpp 'execve(path, argv, environ);' 'execl("/bin/sh", "sh", "-c", argv[1] ? argv[1] : argv[0], static_cast<char *>(nullptr));' 'forms_runtime'
mutant command-line-split-on-last-blank platform/forms/command_line.cpp 'text.indexOf(u'"'"' '"'"')' 'text.lastIndexOf(u'"'"' '"'"')' 'forms_runtime|app_window_handlers'
mutant unhandled-error-text platform/forms/unhandled_error.cpp '"Run-time error '"'"'%1'"'"':\r\r%2"' '"Run-time error %1:\r\r%2"' 'forms_runtime'
mutant slider-clicked-while-held platform/controls/slider_widget.cpp 'if (m_held || value == m_value)' 'if (value == m_value)' 'slider_widget'
mutant slider-range-not-clamped platform/controls/slider_widget.cpp 'return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, m_min, m_max));' 'return static_cast<std::int32_t>(value);' 'slider_widget|playback_handlers'
mutant slider-value-from-thumb-left platform/controls/slider_widget.cpp $'        m_grabOffset = thumb.width() / 2;\n        m_heldValue = valueAtThumbLeft(x - m_grabOffset);' $'        m_grabOffset = thumb.width() / 2;\n        m_heldValue = valueAtThumbLeft(x);' 'slider_widget'
V=platform/mci/widget/video_window_placement.cpp
mutant video-window-frames-ignored $V 'pictureWithin(rooms[side].size().shrunkBy(room.frame), room.clip)' 'pictureWithin(rooms[side].size(), room.clip)' 'mci_widget'
mutant video-window-only-below $V 'if (here.width() > picture.width()) {' 'if (side == 0) {' 'mci_widget'
mutant video-window-stretched $V 'return clip.scaled(inner, Qt::KeepAspectRatio)' 'return clip.scaled(inner, Qt::IgnoreAspectRatio)' 'mci_widget|video_window_fit'
mutant video-window-kept-over-main $V 'if (screen.contains(kept) && !kept.intersects(room.mainFrame)) return kept;' 'if (screen.contains(kept)) return kept;' 'mci_widget'
mutant video-window-users-place-forgotten $V 'if (room.current) {' 'if (false) {' 'mci_widget'
mutant video-window-past-the-edge $V 'if (sensible) return onScreen(beside[best], screen);' 'if (sensible) return beside[best];' 'mci_widget'
mutant video-window-no-room-over-main $V 'return overlap(place, room.mainFrame); });' 'return -overlap(place, room.mainFrame); });' 'mci_widget'
W=platform/mci/widget/video_window.cpp
mutant video-window-on-its-own-screen $W 'const QScreen *screen = main.screen();' 'const QScreen *screen = this->screen();' 'mci_widget'
mutant video-window-over-the-controls $W 'frameGeometry().intersects(m_main->frameGeometry())) m_main->raise();' 'frameGeometry().intersects(m_main->frameGeometry())) {}' 'video_window_fit'
mutant video-picture-unsmoothed-at-density-2 $W 'onDevice.size() != m_picture.size());' 'target.size() != m_picture.size());' 'mci_widget'
mutant dialog-filter-index-from-zero platform/controls/common_dialog.cpp 'm_nameFilters[inRange ? m_filterIndex - 1 : 0]' 'm_nameFilters[inRange ? m_filterIndex % m_nameFilters.size() : 0]' 'common_dialog'
mutant error-line-not-written platform/forms/qt_forms_runtime.cpp '    std::fprintf(stderr, "%s\n", errorLine(number, text).toLocal8Bit().constData());' '' 'install_tree'
mutant last-folder-forgotten app/last_folder.cpp '    userSettings()->setValue(kKey, folder);' '' 'app_form1'
mutant number-text-without-blank app/number_text.cpp 'return number < 0 ? digits : QStringLiteral(" ") + digits;' 'return digits;' 'app_window_handlers'

if [ "${1:-}" = "--check" ]; then  # every fault's text still stands in the program
  for i in "${!names[@]}"; do
    python3 -c 'import sys; sys.exit(open(sys.argv[1]).read().count(sys.argv[2]) != 1)' "$root/${files[$i]}" "${olds[$i]}" \
      || echo "STALE   ${names[$i]}"
  done
  exit 0
fi
if [ "${1:-}" = "--list" ]; then
  for i in "${!names[@]}"; do echo "${names[$i]}  ${files[$i]}"; done
  exit 0
fi

wanted=("$@")
selected=()
for i in "${!names[@]}"; do
  if [ ${#wanted[@]} -eq 0 ] || printf '%s\n' "${wanted[@]}" | grep -qx "${names[$i]}"; then selected+=("$i"); fi
done

# One scratch copy and build; each fault is planted, built, tested and taken out again.
mkdir -p "$scratch"
rm -rf "$scratch/src" && mkdir -p "$scratch/src"
tar -C "$root" --exclude='./build*' --exclude=./.git --exclude=./bench/clips -cf - . | tar -C "$scratch/src" -xf -
cmake -S "$scratch/src" -B "$scratch/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$scratch/build" -j2 >/dev/null

display=${VIDLARK_DISPLAY:-:89}
if ! xdpyinfo -display "$display" >/dev/null 2>&1; then
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
fi
export VIDLARK_E2E_DISPLAY=$display

suite() { ctest --test-dir "$scratch/build" --timeout 300 -j2 -R "^($1)(_.*)?$" >"$scratch/last.log" 2>&1; }

# The tests must pass on the program as it is, or no fault could be told apart.
all_suites=$(printf '%s|' "${suites[@]}"); all_suites=${all_suites%|}
suite "$all_suites" || { echo "the tests fail without any fault planted; see $scratch/last.log"; exit 1; }

killed=0 total=0 start=$(date +%s)
for i in "${selected[@]}"; do
  name=${names[$i]} file=${files[$i]}
  total=$((total + 1))
  t0=$(date +%s)
  if ! python3 - "$scratch/src/$file" "${olds[$i]}" "${news[$i]}" <<'EOF'
import sys
path, old, new = sys.argv[1:]
text = open(path).read()
if text.count(old) != 1:
    sys.exit(1)
open(path, "w").write(text.replace(old, new))
EOF
  then
    echo "STALE   $name: its text is not in $file exactly once"
    continue
  fi
  if ! cmake --build "$scratch/build" -j2 >"$scratch/last.log" 2>&1; then
    verdict="UNBUILT"
  elif suite "${suites[$i]}"; then
    verdict="LIVED"
  else
    verdict="killed"
    killed=$((killed + 1))
  fi
  cp "$root/$file" "$scratch/src/$file"
  printf '%-7s %s (%ss)\n' "$verdict" "$name" "$(($(date +%s) - t0))"
done
cmake --build "$scratch/build" -j2 >/dev/null
echo "took $(( ($(date +%s) - start) / 60 )) min"
echo "mutants: $killed of $total killed"
