// Entry points of the other subsystems that the lifecycle and the window
// procedure call. Declared here so the core does not depend on their headers.
#pragma once

#include "runtime/runtime.h"

// Files and archives.
void InstallFileOps(void);
void ApplyArchiveSetting(int archiveDisabled);
void SetArchiveExtensionInternal(const char* ext);
void ClearArchiveBookkeeping(void);
void CloseIdleArchives(void);

// Screen and graphs.
int InitScreen(void);
void EndScreen(void);
int RecreateScreen(void);
int RestoreScreenSurfaces(void);
void GetScreenSize(int* width, int* height, int* colorBitDepth);
int PresentBackBuffer(void);
void SetFrontClientPosition(int x, int y);
void ReapplyDrawArea(void);
void InstallDefaultGraphRestore(void);
void RestoreAllGraphs(void);

// Fonts.
void RecreateAllFonts(void);

// Input.
int InitInput(void);
int EndInput(void);
void RefreshKeyState(void);
void UpdatePadDevices(void);
void ReacquireInput(void);
void PadActivationStep(int active);
void NoteKeyboardEvent(void);

// Sound.
int InitSoundSystem(void);
int EndSoundSystem(void);

// While the subsystems are being brought up the core links without them; calls
// go through CALL_SUBSYSTEM so a missing one is skipped.
#pragma weak InstallFileOps
#pragma weak ApplyArchiveSetting
#pragma weak SetArchiveExtensionInternal
#pragma weak ClearArchiveBookkeeping
#pragma weak CloseIdleArchives
#pragma weak InitScreen
#pragma weak EndScreen
#pragma weak RecreateScreen
#pragma weak RestoreScreenSurfaces
#pragma weak GetScreenSize
#pragma weak PresentBackBuffer
#pragma weak SetFrontClientPosition
#pragma weak ReapplyDrawArea
#pragma weak InstallDefaultGraphRestore
#pragma weak CreateBlankGraph
#pragma weak RestoreAllGraphs
#pragma weak RecreateAllFonts
#pragma weak InitInput
#pragma weak EndInput
#pragma weak RefreshKeyState
#pragma weak UpdatePadDevices
#pragma weak ReacquireInput
#pragma weak PadActivationStep
#pragma weak NoteKeyboardEvent
#pragma weak InitSoundSystem
#pragma weak EndSoundSystem
#pragma weak SetDrawTarget
#pragma weak SetFlipVBlankWait
#pragma weak ReleaseGraph
#define SUBSYSTEM_PRESENT(fn) ((fn) != nullptr)
