// What the window's buttons and its clock do, and the clean-ups that run
// when the program ends.
#pragma once

#include "ui/main_window.h"

// "开始分割": reads the controls into a split request, runs the split and
// reports the outcome in pane 2 (and, on success, in a box and on the
// publisher's page).
void OnStart(const MainWindow& w);
// "停止分割": says that a split cannot be stopped.
void OnStop(const MainWindow& w);
// "关闭工具": ends the program; the exit clean-ups run on the way out.
void OnExit(const MainWindow& w);
// Each tick of the clock: the time of day in pane 1.
void OnClock(const MainWindow& w);
// The two "选择..." buttons: the source file and the destination folder.
void OnChooseSource(const MainWindow& w);
void OnChooseFolder(const MainWindow& w);

// Procedures to run once when the program ends, whichever way it ends.
using ExitCleanup = void (*)();
void RegisterExitCleanup(ExitCleanup cleanup);
// Registers the handlers' own clean-ups; called before the window exists.
void RegisterExitCleanups();
// Runs every registered clean-up, in the order of registration, the first
// time it is called; later calls do nothing.
void RunExitCleanups();
