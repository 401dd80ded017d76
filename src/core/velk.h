// VelkObject: the one object of the library. It owns the window, graphics and
// sound state and answers IVELK2 (and so IVELK); its members are split over the
// subsystem folders.
#pragma once
#include <windows.h>
#include <ddraw.h>   // for: IDirectDraw7, IDirectDrawSurface7, IDirectDrawClipper
#include <dsound.h>  // for: IDirectSound, IDirectSoundBuffer, IDirectSoundNotify
#include <mmsystem.h>

#include <atomic>

#include "graphics/image_formats.h"
#include "graphics/rotation_math.h"  // for: TurnMemo
#include "graphics/sprite_store.h"
#include "graphics/text.h"  // for: FontFiles
#include "sound/mixer.h"
#include "sound/sound_buffer.h"
#include "sound/stream_worker.h"
#include "core/events_source.h"
#include "core/velk_interface.h"
#include "window/full_screen.h"
#include "window/scaling_math.h"
#include "window/input_state.h"

class VelkObject final : public IVELK2 {
public:
    // Creates an object (inner part of an aggregate when outer is set) and
    // answers the query on it.
    static HRESULT Create(IUnknown* outer, REFIID iid, void** out);

    // ---------------------------------------------------------------- accessors
    bool LoggingOn() const { return LoggingSwitch != 0; }
    HWND WindowHandle() const { return Window; }
    // The teardown of the final release, run at most once; the fatal path runs
    // it whatever references the host still holds.
    void TeardownOnce();
    IUnknown* ControllingUnknown() const { return Controlling; }

    // ---------------------------------------------------------------- IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ---------------------------------------------------------------- IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

    // ---------------------------------------------------------------- IVELK, in slot order
    HRESULT STDMETHODCALLTYPE wDefault(BSTR ProgramName) override;
    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE DoEvents(LONG *StillRunning) override;
    HRESULT STDMETHODCALLTYPE wGetHandle(LONG *HandleToWindow) override;
    HRESULT STDMETHODCALLTYPE wResizeTo(LONG w, LONG h) override;
    HRESULT STDMETHODCALLTYPE wResizeBy(LONG rw, LONG rh) override;
    HRESULT STDMETHODCALLTYPE wMoveTo(LONG x, LONG y) override;
    HRESULT STDMETHODCALLTYPE wMoveBy(LONG rx, LONG ry) override;
    HRESULT STDMETHODCALLTYPE wShowMessage(BSTR Message, BSTR Caption) override;
    HRESULT STDMETHODCALLTYPE wYesNoMessage(BSTR Message, BSTR Caption, LONG *YesNo) override;
    HRESULT STDMETHODCALLTYPE put_wCaption(BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_wVisible(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_wVisible(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_wEnable(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_wEnable(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_wHasMaxBtn(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_wHasMaxBtn(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_wHasMinBtn(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_wHasMinBtn(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_wHasCloseBtn(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_wHasCloseBtn(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_wHasTitleBar(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_wHasTitleBar(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_wResizeable(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_wResizeable(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE wRunTimer(LONG Interval, velk::HostAddress Event) override;
    HRESULT STDMETHODCALLTYPE GetTick(LONG *Tick) override;
    HRESULT STDMETHODCALLTYPE get_OnActive(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnActive(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnDeActive(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnDeActive(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnKeyDown(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnKeyDown(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnKeyUp(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnKeyUp(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnCommand(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnCommand(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnMouseDown(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnMouseDown(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnMouseUp(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnMouseUp(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnMouseWheel(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnMouseWheel(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnMove(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnMove(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnMoving(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnMoving(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnSize(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnSize(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnSizing(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnSizing(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_wProcedure(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_wProcedure(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE wDestroy() override;
    HRESULT STDMETHODCALLTYPE get_wHasBorder(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_wHasBorder(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_wToolWin(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_wToolWin(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_wTopMost(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_wTopMost(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_SoftwareFPS(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_SoftwareFPS(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_KeepFPS(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE Blt(LONG FromID, LONG FromX, LONG FromY, LONG w, LONG h, LONG ToID, LONG ToX, LONG ToY) override;
    HRESULT STDMETHODCALLTYPE BltStretch(LONG FromID, LONG FromX, LONG FromY, LONG FromW, LONG FromH, LONG ToID, LONG ToX, LONG ToY, LONG ToW, LONG ToH) override;
    HRESULT STDMETHODCALLTYPE BltAlphaBlend(LONG FromID, LONG FromX, LONG FromY, LONG w, LONG h, LONG ToID, LONG ToX, LONG ToY, LONG lAlphaBlend) override;
    HRESULT STDMETHODCALLTYPE DrawBox(LONG x, LONG y, LONG w, LONG h, LONG Color, LONG Fills, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DrawPolygon(LONG x, LONG y, LONG wr, LONG hr, LONG Polygon, LONG Rotate, LONG Color, LONG Fills, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DrawLine(LONG x1, LONG y1, LONG x2, LONG y2, LONG Color, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DrawLineFromLP(LONG x, LONG y, LONG Color, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DSetLP(LONG x, LONG y, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DrawPixel(LONG x, LONG y, LONG Color, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DGetPixel(LONG x, LONG y, LONG SpriteID, LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE DrawRoundBox(LONG x, LONG y, LONG w, LONG h, LONG Round, LONG Color, LONG Fills, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DrawCircle(LONG x, LONG y, LONG Radius, LONG StartR, LONG EndR, LONG Color, LONG Fills, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DrawEllipse(LONG x, LONG y, LONG wr, LONG hr, LONG StartR, LONG EndR, LONG Color, LONG Close, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DrawFill(LONG x, LONG y, LONG Color, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DrawString(LONG x, LONG y, BSTR Text, LONG Align, LONG Color, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DSetTextFont(LONG Size, LONG Bold, LONG Italic, LONG UnderLine, LONG Strike, BSTR FontName, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DSetTextSpace(LONG lSpace, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE Refresh() override;
    HRESULT STDMETHODCALLTYPE SpriteState(LONG SpriteID, LONG IsEnable) override;
    HRESULT STDMETHODCALLTYPE SpriteResize(LONG SpriteID, LONG cx, LONG cy) override;
    HRESULT STDMETHODCALLTYPE SpriteLoadFromFile(LONG SpriteID, BSTR FileName) override;
    HRESULT STDMETHODCALLTYPE SpriteCopy(LONG FromID, LONG ToID) override;
    HRESULT STDMETHODCALLTYPE SpritePaste(LONG FromID, LONG ToID, LONG x, LONG y) override;
    HRESULT STDMETHODCALLTYPE SpriteView() override;
    HRESULT STDMETHODCALLTYPE get_MouseX(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_MouseX(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_MouseY(LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE put_MouseY(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE InCheck(short KeyCode, LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE InCheckPrev(short KeyCode, LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE fClear() override;
    HRESULT STDMETHODCALLTYPE fWriteString(BSTR Category, BSTR KeyName, BSTR Data) override;
    HRESULT STDMETHODCALLTYPE fWriteInteger(BSTR Category, BSTR KeyName, LONG Data) override;
    HRESULT STDMETHODCALLTYPE fReadString(BSTR Categoly, BSTR KeyName, BSTR Default, BSTR *lpBuffer) override;
    HRESULT STDMETHODCALLTYPE fReadInteger(BSTR Category, BSTR KeyName, LONG Defaults, LONG *pVal) override;
    HRESULT STDMETHODCALLTYPE fOpen(BSTR FileName) override;
    HRESULT STDMETHODCALLTYPE DSetFillStyle(LONG newVal, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DSetLineStyle(LONG newVal, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE Graphics(LONG lGraphMode) override;
    HRESULT STDMETHODCALLTYPE get_OnMCIFailure(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnMCIFailure(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnMCISuccess(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnMCISuccess(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE get_OnSurfaceLost(velk::HostAddress* pVal) override;
    HRESULT STDMETHODCALLTYPE put_OnSurfaceLost(velk::HostAddress newVal) override;
    HRESULT STDMETHODCALLTYPE DSetColorKey(LONG Color, LONG Non_Zero_SpriteID) override;
    HRESULT STDMETHODCALLTYPE DSetRasterOP(LONG lRasterOP, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DSetMapMode(LONG lMapMode, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE DSetOrigin(LONG x, LONG y, LONG SpriteID) override;
    HRESULT STDMETHODCALLTYPE Sound(LONG lSoundMode) override;
    HRESULT STDMETHODCALLTYPE Snd_Open(LONG BufferID, BSTR FileName) override;
    HRESULT STDMETHODCALLTYPE Snd_Play(LONG BufferID, LONG ShowDialog) override;
    HRESULT STDMETHODCALLTYPE Snd_LoopPlay(LONG BufferID, LONG ShowDialog) override;
    HRESULT STDMETHODCALLTYPE Snd_Stop(LONG BufferID) override;
    HRESULT STDMETHODCALLTYPE Download(BSTR URL, BSTR FileName) override;
    HRESULT STDMETHODCALLTYPE Logging() override;
    HRESULT STDMETHODCALLTYPE Snd_Pause(LONG Play, LONG BufferID) override;
    HRESULT STDMETHODCALLTYPE Snd_GetData(LONG BufferID, LONG *Data) override;
    HRESULT STDMETHODCALLTYPE TickReset() override;
    HRESULT STDMETHODCALLTYPE GetVELKVer(LONG *Ret) override;
    HRESULT STDMETHODCALLTYPE mci(BSTR CMDStr, BSTR FilePath, BSTR Optional) override;

    // ---------------------------------------------------------------- IVELK2, in slot order
    HRESULT STDMETHODCALLTYPE Snd_SetVolume(LONG BufferID, double Volume) override;
    HRESULT STDMETHODCALLTYPE Snd_GetVolume(LONG BufferID, double* Volume) override;
    HRESULT STDMETHODCALLTYPE Snd_SetPan(LONG BufferID, double Pan) override;
    HRESULT STDMETHODCALLTYPE Snd_GetPan(LONG BufferID, double* Pan) override;
    HRESULT STDMETHODCALLTYPE Snd_SetSpeed(LONG BufferID, double Speed) override;
    HRESULT STDMETHODCALLTYPE Snd_GetSpeed(LONG BufferID, double* Speed) override;
    HRESULT STDMETHODCALLTYPE get_MasterVolume(double* pVal) override;
    HRESULT STDMETHODCALLTYPE put_MasterVolume(double newVal) override;
    HRESULT STDMETHODCALLTYPE Snd_Fade(LONG BufferID, double ToVolume, LONG Milliseconds, LONG StopAtEnd) override;
    HRESULT STDMETHODCALLTYPE Snd_PlayVoice(LONG BufferID, double Volume, double Pan, double Speed,
                                            LONG* Voice) override;
    HRESULT STDMETHODCALLTYPE Snd_StopVoice(LONG Voice) override;
    HRESULT STDMETHODCALLTYPE Snd_VoicePlaying(LONG Voice, LONG* Playing) override;
    HRESULT STDMETHODCALLTYPE SpriteSaveToFile(LONG SpriteID, BSTR FileName) override;
    HRESULT STDMETHODCALLTYPE SpriteSetAlpha(LONG SpriteID, LONG PerPixel) override;
    HRESULT STDMETHODCALLTYPE SpriteGetAlpha(LONG SpriteID, LONG* PerPixel) override;
    HRESULT STDMETHODCALLTYPE BltRotate(LONG FromID, LONG FromX, LONG FromY, LONG w, LONG h, LONG ToID, LONG ToX,
                                        LONG ToY, double Angle, double ScaleX, double ScaleY) override;
    HRESULT STDMETHODCALLTYPE wScale(LONG Width, LONG Height, LONG Mode) override;
    HRESULT STDMETHODCALLTYPE get_wFullScreen(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_wFullScreen(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE DAddFont(BSTR FileName) override;
    HRESULT STDMETHODCALLTYPE KeyHit(LONG KeyCode, LONG* Count) override;
    HRESULT STDMETHODCALLTYPE KeyReleased(LONG KeyCode, LONG* Count) override;
    HRESULT STDMETHODCALLTYPE get_TextInput(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE PadConnected(LONG Index, LONG* Connected) override;
    HRESULT STDMETHODCALLTYPE PadButtons(LONG Index, LONG* Buttons) override;
    HRESULT STDMETHODCALLTYPE PadAxis(LONG Index, LONG Axis, double* Value) override;
    HRESULT STDMETHODCALLTYPE PadRumble(LONG Index, double Low, double High) override;
    HRESULT STDMETHODCALLTYPE get_wAcceptFiles(LONG* pVal) override;
    HRESULT STDMETHODCALLTYPE put_wAcceptFiles(LONG newVal) override;
    HRESULT STDMETHODCALLTYPE get_DroppedFiles(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_ClipboardText(BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_ClipboardText(BSTR newVal) override;

    // ---------------------------------------------------------------- subsystem internals
    // Each subsystem declares its internal operations in its own block here.

    // graphics
    void GraphicsCleanup();
    // Takes back the font files that DAddFont made usable.
    void RemoveAddedFonts();
    // Re-creates sprite 0 for a new client size; the message loop calls it.
    void BackBufferResize(LONG width, LONG height);
    // Refresh's two ways of showing sprite 0: as it is, or as wScale asks.
    void PresentUnscaled();
    void PresentScaled();
    // Sprite-ID checks: the range first, then (for the second) emptiness; both end
    // the process on a bad ID.
    void CheckSpriteRange(LONG id, LONG lowest, const char* subject, const char* range);
    velk::SpriteSlot& CheckedSprite(LONG id, LONG lowest, const char* subject, const char* range);
    // The two sprites of a transfer: both ranges first, then both for emptiness.
    void CheckTransferSprites(LONG from_id, LONG to_id, const char* from_subject, const char* to_subject);
    // `index` is the sprite number the log shows for the slot.
    bool SpriteMake(velk::SpriteSlot& slot, int index, IDirectDraw7* direct_draw, LONG width, LONG height,
                    int kind);
    void SpriteKill(velk::SpriteSlot& slot, int index, int part);
    void SpriteColorKey(velk::SpriteSlot& slot, int index, LONG color);
    bool SpriteEvacuate(int index);
    bool SpriteRestore(int index, IDirectDraw7* direct_draw);
    // The DirectDraw objects of mode 2 or 3 and the new sprite 0; false asks for the GDI fall-back.
    bool SetUpDirectDraw(int mode);
    void ReleaseDirectDrawObjects();
    // Replaces a user sprite with a checked picture at the picture's size; a
    // colour key the slot had is put on the new picture again.
    void ReplaceSpriteWithPicture(int index, const velk::DibView& picture);

    // sound
    void CleanupSoundMode();
    // The table index of a host buffer ID; a bad ID ends the process.
    int BufferIndex(LONG buffer_id);
    void ReleaseBuffer(int index);
    void ResetBuffer(int index);
    void RestartSource(int index);
    // Puts mode 1 in force when no mode has been chosen yet.
    void EnsureSoundMode();
    // Each expects the buffer's freshly opened SourceFile. A refused Ogg file
    // is left open for the WAV attempt; an Ogg stream that cannot be sized is closed.
    bool OpenOggSource(int index);
    bool ParseWavHeader(int index);
    // Closes the source even when the buffer holds no playback resources.
    void CloseSource(int index);
    // Mode 2: the device buffer (and for buffer 0 its notification positions);
    // a refusal ends the process.
    void CreateDeviceBuffer(int index);
    // Frees the waveOut blocks and the staging copy, with their log lines.
    void FreePlaybackBlocks(int index);
    // Playback engine: the fills, the worker and what stops it.
    void PrimeBuffer(int index, velk::PrimeKind kind);
    DWORD RefillBlock(int index, velk::RefillKind kind);
    // Whether the buffer plays from a ring that a worker refills: the stream,
    // and in mode 2 a looped static buffer whose file has a loop section.
    bool FedFromRing(int index) const;
    // The worker of the stream or of a section ring (the buffer's index).
    DWORD StreamThread(int index);
    void StartStreamThread(int index);
    // Ends and joins the buffer's worker, if it has one; it frees nothing itself.
    void StopWorker(int index);
    // Stops what plays from the buffer: the worker first, then the device
    // (waveOut blocks all returned and unprepared, the device closed).
    void HaltPlayback(int index);
    void CloseWaveOut();
    // While a first fill pumps messages, a nested call on its buffer (any
    // buffer in mode 1; index -1: the mode itself) is refused with a log line.
    bool RefusedDuringFirstFill(int index);
    // Puts a looping source back at its loop section's start (else its first sample).
    void RewindForLoop(int index);
    // What plays from a buffer stops: the worker, the device, the buffer's
    // voices, and its fade (which ends at its target).
    void SilenceBuffer(int index);
    // Stops a buffer as Snd_Stop does, without its log lines: silenced, and
    // its device buffer given back with the source rewound.
    void StopBuffer(int index);
    // Mode 2: makes the device buffer of a static buffer hold its whole sound
    // (as a play does, without playing); false when it plays from a ring.
    bool PrepareWholeSound(int index);

    // mixer
    struct LevelLimits {
        double Low, High;
        const char* Subject;
        const char* Range;
    };
    HRESULT SetBufferLevel(LONG BufferID, double value, double velk::BufferLevels::*field, const LevelLimits& limits);
    HRESULT GetBufferLevel(LONG BufferID, double velk::BufferLevels::*field, double* value);
    // A value outside [low, high] (NaN included) ends the process.
    void CheckLevel(double value, double low, double high, const char* subject, const char* range);
    // Puts the buffer's levels (and the master volume) on its device now; mode
    // 1's channel for index 0. Called on the host's thread.
    void ApplyLevels(int index);
    // Mode 1: the channel's device as the clock may turn it (null: closed).
    void AttachChannel(HWAVEOUT device);
    // The format mode 1 opens the channel with: the buffer's at its speed.
    WAVEFORMATEX ChannelFormat(int index);
    // Mode 2: the end of a non-looping static play is watched by the clock.
    void WatchPlay(int index);
    void UnwatchPlay(int index);
    void SetHostPaused(int index, bool paused);
    // Ends a running fade where it was going (no OnSoundFaded).
    void EndFade(int index);
    // A worker's non-looping play reached its end by itself.
    void NoteSoundEnded(int index);
    // On the host's thread: stops what completed fades asked to stop and, when
    // `fire`, raises OnSoundFaded and OnSoundEnded for what the clock and the
    // workers noted. Only the message loop fires: events reach hosts there.
    void TakeSoundNotices(bool fire);
    void StartSoundClock();
    void StopSoundClock();
    DWORD SoundClockThread();
    // One step of the fades and of the watched plays; returns whether any run.
    bool SoundClockTick();
    void StopVoicesOf(int index);
    void StopAllVoices();
    void ApplyVoiceLevels();

    // window
    // Hands a client size recorded by the size message to the back buffer.
    void ApplyPendingClientSize();
    // While wScale is on: where sprite 0 lands in the client area, and its size.
    RECT ScaledPlacement(LONG* buffer_width, LONG* buffer_height);
    // Gives the window back what wFullScreen took; nothing when it is not on.
    void LeaveBorderless();
    // input: what the window procedure hands over, and the gamepads
    void TakeTypedBytes(WPARAM bytes);
    void TakeDroppedFiles(HDROP drop);
    void CheckInputValue(LONG value, LONG low, LONG high, const char* subject, const char* range);
    // Loads the platform's gamepad module once; false when none is present.
    bool LoadPads();
    // Probes the slot if due; true with `state` filled when a pad is there.
    bool ReadPad(int index, XINPUT_STATE* state);
    // The pump's look: probes the slots at most every probe interval and
    // raises the connection events of what changed.
    void WatchPads();
    // Stops the motors and forgets the module (which stays loaded), at the end of the object.
    void ReleasePads();
    // Run's wait for the next message, looking at the gamepads meanwhile once
    // they are watched.
    void WaitWatchingPads();
    bool PadsWatched() const { return Input.Pads.GetState != nullptr; }

    // storage

    // ---------------------------------------------------------------- state, in this order
    HWND Window;
    DWORD StartTick;
    LONG EndedFlag;
    LONG KeepFPSFlag;
    BYTE SoundMode;
    BYTE GraphicsMode;
    BYTE LoggingSwitch;
    IDirectDraw7* DirectDrawObject;
    IDirectDrawSurface7* PrimarySurface;
    IDirectDrawClipper* Clipper;
    velk::SpriteSlot SpriteTable[velk::kSpriteCount];
    LONG ScreenWidth;
    LONG ScreenHeight;
    LONG FrameInterval;
    IDirectSound* DirectSoundDevice;
    IDirectSoundBuffer* PrimarySoundBuffer;
    IDirectSoundNotify* StreamNotifier;
    velk::SoundBuffer SoundBufferTable[velk::kSoundBufferCount];
    HANDLE SoundEvents[3];
    HWAVEOUT WaveOutDevice;
    HWND ProgressDialog;
    velk::StreamWorker Stream;
    velk::SectionWorker SectionWorkers[velk::kSoundBufferCount];  // [0] unused: the stream has its own
    velk::EventSource Events;  // the connection point of _IVELKEvents and its sinks
    velk::Mixer Mix;           // volume, pan, speed, fades and voices
    velk::FontFiles AddedFonts;  // what DAddFont added, taken back at the end
    velk::ScaleSetting Scaling;          // wScale
    std::vector<uint32_t> ScaledFrame;   // the scaled picture of the last Refresh, kept for the next
    std::vector<LONG> ScaledColumns;     // its source column of each output column
    velk::BorderlessWindow Borderless;   // wFullScreen
    velk::TurnMemo RecentTurns;          // BltRotate's recent turns and shapes, for repeated calls
    velk::InputState Input;      // key counts, typed text, gamepads, dropped files

private:
    explicit VelkObject(IUnknown* outer);
    ~VelkObject();
    void Teardown();
    HRESULT InvokeWithByRefVariant(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* arg_error, bool* handled);

    // The non-delegating IUnknown that an aggregate's outer object holds.
    struct InnerUnknown final : IUnknown {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        VelkObject* Self = nullptr;
    };

    InnerUnknown Inner;
    std::atomic<ULONG> RefCount{1};
    bool TearingDown = false;  // a fatal error inside the teardown must not start it again
    bool QuitTaken = false;    // a pump took the quit message that Run waits for
    bool QuitPosted = false;   // wDestroy posts one quit in the object's life, however often it is called
    IUnknown* Controlling;
    ITypeInfo* TypeInfo = nullptr;           // what callers see: the dispatch description
    ITypeInfo* InterfaceTypeInfo = nullptr;  // the vtable description that Invoke calls through
};

// The one live object of the process, or null. Read by the window procedure,
// the dialog procedures and the sound worker threads.
extern std::atomic<VelkObject*> LiveInstance;

namespace velk {

// The library's module instance handle, recorded when the process loads it.
HINSTANCE ModuleInstance();

// Full path of the library file (for registration and the type library).
bool ModulePath(char* buf, DWORD size);
bool ModulePathW(wchar_t* buf, DWORD size);

// Live objects and server locks, for DllCanUnloadNow.
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);
bool ModuleInUse();
// Keeps the library mapped until the process ends: its window class and window
// outlive the object, and a host that frees unused libraries would leave them
// calling into unmapped code.
void PinModule();

// Loads the type information of IVELK2 (IVELK's members and the new ones) from
// the library's own resources: the dispatch description and the vtable
// description of the dual interface.
HRESULT LoadVelkTypeInfo(ITypeInfo** dispatch_info, ITypeInfo** interface_info);

}  // namespace velk
