// The library's own texts: log line shapes, error texts and captions.
// Sources are UTF-8; the compiler stores every literal here as CP932 bytes.
// Each text is defined once and used by name everywhere else.
#pragma once

#include "core/host_address.h"  // for: VELK_HEX, the width of a logged handle

namespace velk::texts {

// ---------------------------------------------------------------- log line shapes
inline constexpr char kTitle[] = "### %s";
inline constexpr char kSucceed[] = "### Succeed";
inline constexpr char kFailed[] = "### Failed  %s";
inline constexpr char kStep[] = "\t[ Step  ] %s";
inline constexpr char kInfoText[] = "\t[ Info  ] %s = %s";
inline constexpr char kInfoNumber[] = "\t[ Info  ] %s = %d";
inline constexpr char kInfoHex[] = "\t[ Info  ] %s = " VELK_HEX "(Hex)";
inline constexpr char kInfoPair[] = "\t[ Info  ] %s = %d , %s = %d";
inline constexpr char kBlockBegin[] = "\t  ** %s を行います ** ";
inline constexpr char kBlockEnd[] = "\t  ******************* ";
inline constexpr char kBlockFailed[] = "\t  ****** Failed  %s";
inline constexpr char kAbortRepeated[] =
    "  [ Abort ] Typ:???    %sはすでにコールされていてこれ以降の呼び出しは意味がありません";
inline constexpr char kMemoryAllocated[] = "\t[ Done  ] Typ:Memory %s用に %x バイトのメモリを確保しました";
inline constexpr char kMemoryFreed[] = "\t[ Done  ] Typ:Memory %s用に確保したメモリを解放しました。";

// ---------------------------------------------------------------- banner and titles
inline constexpr char kLogBanner[] =
    "-=-= Welcome to TORV -=-= DLLVersion 1.01 Log Writer Avaliable \n";
inline constexpr char kFinallyCall[] = "VELK FinallyCall";
inline constexpr char kReleaseName[] = "Release";
inline constexpr char kGraphicsCleanupTitle[] = "描画メソッドのクリアライズを行います";
inline constexpr char kSoundCleanupTitle[] = "サウンドメソッドのクリアライズを行います";

// ---------------------------------------------------------------- error texts
inline constexpr char kFatalCaption[] = "実行時エラー　ログを参照してください";
inline constexpr char kSystemDetail[] = "%s\n\t(詳細:) %s";
inline constexpr char kIdRangeError[] =
    "  [ Error ] Typ:ID     %sで正しくないID : %d が指定されました。\n\t\t->%sの範囲で許されます";
inline constexpr char kIdEmptyError[] =
    "  [ Error ] Typ:ID     %sで正しくないID : %d が指定されました。\n\t\t->指定されたIDは空です。使用されていません";
inline constexpr char kParamError[] = "\t[ Error ] Typ:Param  %sで正しくない引数 NULL が渡されました。";
inline constexpr char kInitError[] = "  [ Error ] Typ:Init   同じアプリケーション内でVELKが複数定義されました";
inline constexpr char kAllocError[] =
    "\t[ Error ] Typ:Memory %s用に %x バイトのメモリを確保しようとして失敗しました。\n\t\t->メモリ不足かもしれません ";
inline constexpr char kReleaseError[] =
    "\t[ Error ] Typ:Memory %s用に確保したメモリを解放しようとして失敗しました。\n\t\t->BlockAddress " VELK_HEX "(Hex) ";

// ---------------------------------------------------------------- creation export
inline constexpr char kCreateFailedText[] =
    "エラー CoCreateInstanceがNULLを返しました。\nVELKlib Unregistered\n\n対処法 コマンドラインで regsvr32 VELKlib_100.dll";
inline constexpr char kCreateFailedCaption[] = "VELK Create Failed";

// ---------------------------------------------------------------- registration
inline constexpr char kClassDescription[] = "VELK Class";
inline constexpr char kProgId[] = "VELK.1";
inline constexpr char kVersionIndependentProgId[] = "VELK";
inline constexpr char kThreadingModel[] = "Apartment";

// ---------------------------------------------------------------- user directory
inline constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kLocalAppDataValue[] = "Local AppData";
inline constexpr char kUserDirName[] = "\\VELKUserDir";
inline constexpr char kUserFileFormat[] = "%s\\%s";
inline constexpr char kDataFileFormat[] = "%s\\%s.VELKDat";

// ---------------------------------------------------------------- graphics
inline constexpr char kSpriteMakeName[] = "SpriteMake(スプライト作成関数)";
inline constexpr char kSpriteKillName[] = "SpriteKill(スプライト解放関数)";
inline constexpr char kSpriteColorKeyName[] = "SpriteColorKey(スプライトカラーキー設定関数)";
inline constexpr char kTargetIdLabel[] = "ターゲットID";
inline constexpr char kColorValueLabel[] = "カラー値";
inline constexpr char kWidthLabel[] = "Width";
inline constexpr char kHeightLabel[] = "Height";
inline constexpr char kAlreadyExists[] = "すでに存在するため作成はキャンセルされました";
inline constexpr char kCriticalError[] = " Critical Error ";

inline constexpr char kSpriteRangeAny[] = "0～最大スプライト数(固定:8)";
inline constexpr char kSpriteRangeFromOne[] = "１～最大スプライト数";
inline constexpr char kSpriteRangeNoZero[] = "１～スプライト数(０は禁止)";
inline constexpr char kSubjectDSetColorKey[] = "DSetColorKey";
inline constexpr char kSubjectSpriteState[] = "スプライト状態設定関数( SpriteState ) ";
inline constexpr char kSubjectSpriteResize[] = "スプライトサイズ設定関数( SpriteSize ) ";
inline constexpr char kSubjectDrawing[] = "スプライトへの描画メソッド";
inline constexpr char kSubjectDrawStyle[] = "描画スタイル変更メソッド　スプライトID";
inline constexpr char kSubjectBltFrom[] = "Blt　FromスプライトID";
inline constexpr char kSubjectBltTo[] = "Blt　ToスプライトID";
inline constexpr char kSubjectBltStretchFrom[] = "BltStretch　FromスプライトID";
inline constexpr char kSubjectBltStretchTo[] = "BltStretch　ToスプライトID";
inline constexpr char kSubjectBltAlphaFrom[] = "BltAlpha　FromスプライトID";
inline constexpr char kSubjectBltAlphaTo[] = "BltAlpha　ToスプライトID";
inline constexpr char kSubjectSpriteCopyFrom[] = "SpriteCopy　FromスプライトID";
inline constexpr char kSubjectSpriteCopyTo[] = "SpriteCopy　ToスプライトID";
inline constexpr char kSubjectSpritePasteFrom[] = "SpritePaste　FromスプライトID";
inline constexpr char kSubjectSpritePasteTo[] = "SpritePaste　ToスプライトID";
inline constexpr char kSubjectTextAlign[] = "DrawString テキスト位置定数 ";
inline constexpr char kTextAlignRange[] = "0(Left) 1(Right) 2(Center)";
inline constexpr char kDefaultFontKeyword[] = "default";

// Image file loading
inline constexpr char kSubjectSpriteLoad[] = "スプライト読み込み関数( SpriteLoadFromFile ) ";
inline constexpr char kSpriteLoadTitle[] = "SpriteLoadFromFile 画像ファイルよりスプライトを作成";
inline constexpr char kJpegLoaderModule[] = "jpegloader.";
inline constexpr char kPngLoaderModule[] = "pngloader.";
inline constexpr char kLoaderIsSupported[] = "IsSupported";
inline constexpr char kLoaderGetPicture[] = "GetPicture";
inline constexpr char kJpegLoaderMissing[] = "not Already Joint Photographic Exports Group(JPG) Lib";
inline constexpr char kJpegLoaderInvalid[] = "Invalid JPEGLibrary";
inline constexpr char kJpegLoaderReady[] = "Joint Photographic Exports Group(JPG) Already";
inline constexpr char kPngLoaderMissing[] = "not Already Portable Network Graphics(PNG)";
inline constexpr char kPngLoaderInvalid[] = "Invalid PNGLibrary";
inline constexpr char kPngLoaderReady[] = "Portable Network Graphics(PNG) Already Already";
inline constexpr char kImageNotFound[] = "Image File Not Found";
inline constexpr char kSubjectSpriteSave[] = "スプライト保存関数( SpriteSaveToFile ) ";
inline constexpr char kSpriteSaveTitle[] = "SpriteSaveToFile スプライトを画像ファイルに保存";
inline constexpr char kSavedFormatUnknown[] = "保存できない形式です( .png か .bmp を指定してください )";
inline constexpr char kSpriteSaveFailed[] = "画像ファイルを書き込めませんでした（元のファイルはそのままです）";
inline constexpr char kAsJpeg[] = " ** As JPEG Image file **";
inline constexpr char kAsPng[] = " ** As PNG Image file **";
inline constexpr char kAsBitmap[] = " ** As BITMAP Image file **";
inline constexpr char kImageUnsupported[] = "非対応ファイルです.( InvalidFormat BMP,JPG,PNG ) ";
// Formatted with the resolved path of the file that the chosen loader could not decode.
inline constexpr char kImageDecodeFailed[] = "画像ファイルを展開できませんでした.( %s ) ";

// Sprite viewer
inline constexpr char kViewerIdFormat[] = "ID : %d";
inline constexpr char kViewerUnused[] = "\r\n未使用です";
inline constexpr char kViewerSizeFormat[] = "%s\r\n %d*%d";

inline constexpr char kSubjectGraphicsMode[] = "GraphicsModeでの定数";
inline constexpr char kGraphicsModeRange[] = "１(WINGDI) ２(DDRAW) ３(FullScreen)";
inline constexpr char kGraphicsTitleGdi[] = " WindowsGDIを使用したグラフィックシステムの初期化";
inline constexpr char kGraphicsTitleDirectDraw[] = " DirectDrawを使用したグラフィックシステムの初期化";
inline constexpr char kGraphicsTitleFullScreen[] = " DirectDraw(FullScreen)を使用したグラフィックシステムの初期化";
inline constexpr char kEvacuateBlock[] = "変更前手続き  ＜DirectDraw->WinGDI 移行措置（退避プロセス)＞";
inline constexpr char kRestoreBlock[] = "変更後手続き  ＜WinGDI->DirectDraw 移行措置（復元プロセス)＞";
inline constexpr char kDirectDrawFault[] = " ->Fault  DirectDrawの初期化失敗のためGDIで動作します";
inline constexpr char kSecondarySpriteReady[] = "セカンダリスプライトが有効になりました";
inline constexpr char kEvacuatedStep[] = "DirectDrawスプライトをWinGDIGeneralSpriteに退避しました";
inline constexpr char kRestoredStep[] = "WinGDIGeneralスプライトをDirectDrawSpriteに復元しました";
inline constexpr char kBackBufferResizeStep[] = "ウインドウサイズがリサイズされたのでバックバッファもリサイズします";

// ---------------------------------------------------------------- window and message loop
inline constexpr char kDefaultTitle[] = "wDefault( 単純なウインドウを作成する関数 )";
inline constexpr char kDefaultName[] = "wDefault";
inline constexpr char kProgramNameLabel[] = "Program and CLS NameValue : ";
inline constexpr char kInstanceLabel[] = "InstanceHandle : ";
inline constexpr char kProcedureLabel[] = "WNDProcAddress : ";
inline constexpr char kIconLabel[] = "Icon : ";
inline constexpr char kIconValue[] = "固定：APPLICATION";
inline constexpr char kCursorLabel[] = "Cursor : ";
inline constexpr char kCursorValue[] = "固定：ARROW";
inline constexpr char kCreatingWindow[] = "ウインドウ作成を行います";
inline constexpr char kWindowCreationFailed[] = "ウインドウ作成に失敗しました。VELK は起動できません";
inline constexpr char kWindowCreated[] = "ウインドウ作成に成功しました";
inline constexpr char kWindowHandleLabel[] = "HandleToWindow : ";
inline constexpr char kDefaultCallsModes[] = "wDefaultはGraphics( WINGDI )とSound( DSOUND )をコールします・・・";
inline constexpr char kRunStarted[] = "wRunがコールされWindowは実行状態に入りました。";
inline constexpr char kDestroyReceived[] =
    "Windowは WM_DESTROYを受け取ったため終了をポストします。これ以降DoEventsはTRUEを返すようになります";
inline constexpr char kDestroyRequested[] =
    "Windowは wDestroyを受け取ったため終了をポストします。これ以降DoEventsはTRUEを返すようになります";
inline constexpr char kTicksReset[] = "Ticksはリセットされ、0に戻りました。";
inline constexpr char kTimerFunctionSubject[] = "wRunTimerでの関数アドレス";

// ---------------------------------------------------------------- data files
inline constexpr char kDataFileInvalidName[] = " fOpen , Invalid Path Name ";
inline constexpr char kDataFileOpenFailed[] = "fopen : ファイルを書き込み可能で開くことができません。";
inline constexpr char kDataFileClearFailed[] = "fClear:ファイルを書き込み可能で開くことができません。";
inline constexpr char kDataFileWriteFailed[] = "fwrite : ファイルへのデータ書き込みに失敗しました";

// ---------------------------------------------------------------- sound modes and buffers
inline constexpr char kSoundModeSubject[] = "Soundモードでの定数";
inline constexpr char kSoundModeRange[] = "１(SndAPI) ２(DSound)";
inline constexpr char kSoundBufferSubject[] = "サウンドメソッド バッファID";
inline constexpr char kSoundBufferRange[] = "1～8(SNDAPIの場合は0に固定されます)";
inline constexpr char kSoundMode1Title[] = "Sound Mode 1 ( waveOutAPI Mixing )";
inline constexpr char kSoundMode2Title[] = "Sound Mode 2 ( uses DirectSound )";
inline constexpr char kPlaybackEventLabel[] = "PlaybackEventHandler";
inline constexpr char kStreamEndEventLabel[] = "BafferingPlayBackHandler at Half";
inline constexpr char kStreamHalfEventLabel[] = "BafferingPlayBackHandler at EndPos";
inline constexpr char kStreamStopEventLabel[] = "Finally Handler at Half";
inline constexpr char kCreatingPrimaryBuffer[] = "旧型のサウンドカードに対応するためプライマリバッファを作成します";
inline constexpr char kDirectSoundFallback[] = " ->Fault  AbortProc : DirectSound 初期化失敗のためSndAPIを使用します";
inline constexpr char kWaveBlockName[] = "WAVEMixingStreamBuffer";
inline constexpr char kStagingCopyName[] = "DirectSoundStreamBuffer";

// ---------------------------------------------------------------- sound sources
inline constexpr char kSndOpenTitle[] = "Snd_Open (ファイルからバッファを作成)";
inline constexpr char kFilePathLabel[] = "FilePath";
inline constexpr char kSoundFileNotFound[] = "Sound File Not Found";
inline constexpr char kOggFileStep[] = " ** File As OGGVorbisFile ** ";
inline constexpr char kWavFileStep[] = " ** File As WavFile **";
inline constexpr char kUnknownSoundFile[] = "Unknown file type(ogg,wav以外の形式 )";
inline constexpr char kStreamBufferStep[] = "ストリーム型（ID=0)で作成します";
inline constexpr char kStaticBufferStep[] = "スターティック型（ID <> 0)で作成します";
inline constexpr char kDeviceBufferFailed[] = "DirectSoundバッファ作成失敗";
inline constexpr char kDecodeProgressFormat[] = "  %d %% ( Remain %li / Total %li)";

// ---------------------------------------------------------------- playback
inline constexpr char kSndPlayTitle[] = "Snd_Play 再生を行います";
inline constexpr char kSndStopTitle[] = "Snd_Stop 再生停止";
inline constexpr char kSndPauseLine[] = " Snd_Pause 再生%s";
inline constexpr char kPauseResume[] = "再始動";
inline constexpr char kPauseHold[] = "一時停止";
inline constexpr char kPlayThreadFailed[] = "サウンド再生のためのスレッド作成に失敗";
inline constexpr char kBufferFilled[] = " -> 再生用バッファを埋めました。";
inline constexpr char kWaveBlockAllocName[] = "WaveMixingStreamBuffer";
inline constexpr char kLoopStartLabel[] = "LOOPSTART";
inline constexpr char kLoopLengthLabel[] = "LOOPLENGTH";
inline constexpr char kRefusedDuringFillLabel[] = "読み込み中のため呼び出しを無視したバッファ";

// ---------------------------------------------------------------- mixer
inline constexpr char kLevelRangeError[] =
    "  [ Error ] Typ:Param  %sで正しくない値 : %g が指定されました。\n\t\t->%sの範囲で許されます";
inline constexpr char kVolumeSubject[] = "サウンドメソッド 音量";
inline constexpr char kVolumeRange[] = "0.0～1.0";
inline constexpr char kPanSubject[] = "サウンドメソッド パン";
inline constexpr char kPanRange[] = "-1.0～1.0";
inline constexpr char kSpeedSubject[] = "サウンドメソッド 再生速度";
inline constexpr char kSpeedRange[] = "0.25～4.0";
inline constexpr char kFadeTimeSubject[] = "Snd_Fade のミリ秒";
inline constexpr char kFadeTimeRange[] = "0～3600000";
inline constexpr char kVoiceBufferSubject[] = "Snd_PlayVoice バッファID";
inline constexpr char kVoiceBufferRange[] = "2～8(スタティックバッファ)";
inline constexpr char kVoiceFromRingLabel[] = "ループ区間を再生中のためボイスを作らなかったバッファ";
inline constexpr char kClockThreadFailed[] = "サウンドのフェードのためのスレッド作成に失敗";

// ---------------------------------------------------------------- MCI pass-through
inline constexpr char kMciCommandFormat[] = "%s \"%s\" %s";
inline constexpr char kMciDone[] = "MCI Done";

// ---------------------------------------------------------------- download
inline constexpr char kDownloadTitle[] = "VELK Download メソッド";
inline constexpr char kDownloadSourceTarget[] = "%s \nDown To : %s ";
inline constexpr char kDownloadInvalidName[] = " Download  Invalid File Name ";
inline constexpr char kDownloadAgent[] = "VELK Download Method";
inline constexpr char kDownloadUrlLabel[] = "URL";
inline constexpr char kDownloadWriteToLabel[] = "WriteTo";
inline constexpr char kDownloadBufferName[] = "DownloadReceiveBuffer";
inline constexpr char kDownloadOpenFailed[] = "InternetOpen失敗";
inline constexpr char kDownloadOpenSucceeded[] = "InternetOpen Success";
inline constexpr char kDownloadRates[] = " 最適レート / 実ダウン : %d / %d Bytes";
inline constexpr char kDownloadedKBytes[] = " ダウンロード済みサイズ : %.3g KBytes";
inline constexpr char kDownloadedMBytes[] = " ダウンロード済みサイズ : %.3g MBytes ";
// Reasons after "### Failed  %s" for a transfer that did not complete: each
// names the URL first and then what went wrong.
inline constexpr char kDownloadHttpStatusFailed[] = "%s の応答は HTTP %lu でした";
inline constexpr char kDownloadReadFailed[] = "%s の受信に失敗しました";
inline constexpr char kDownloadTimedOut[] = "%s の受信がタイムアウトしました";
inline constexpr char kDownloadBodyShort[] = "%s の本体が宣言された長さより短く終わりました : %llu / %llu Bytes";
inline constexpr char kDownloadTargetUnwritable[] = "%s を保存先 %s に書き込めませんでした";
// The host ended its window while the body arrived: the old file stays.
inline constexpr char kDownloadAbandoned[] = "ウィンドウが終了したのでダウンロードを中止しました（元のファイルはそのままです）";

// ---------------------------------------------------------------- per-pixel alpha
// (texts of SpriteSetAlpha and SpriteGetAlpha)
inline constexpr char kSubjectSpriteSetAlpha[] = "スプライトアルファ設定関数( SpriteSetAlpha ) ";
inline constexpr char kSubjectSpriteGetAlpha[] = "スプライトアルファ取得関数( SpriteGetAlpha ) ";
inline constexpr char kAlphaSettingRange[] = "０(アルファなし) １(ピクセルごとのアルファ)";

// ---------------------------------------------------------------- rotation
// (texts of BltRotate)
inline constexpr char kSubjectBltRotateFrom[] = "BltRotate　FromスプライトID";
inline constexpr char kSubjectBltRotateTo[] = "BltRotate　ToスプライトID";
inline constexpr char kRotateAngleSubject[] = "BltRotate 角度";
inline constexpr char kRotateAngleRange[] = "-1e9～1e9";
inline constexpr char kRotateScaleXSubject[] = "BltRotate 横の倍率";
inline constexpr char kRotateScaleYSubject[] = "BltRotate 縦の倍率";
inline constexpr char kRotateScaleRange[] = "-1024～1024";

// ---------------------------------------------------------------- window scaling and full screen
inline constexpr char kValueRangeError[] =
    "  [ Error ] Typ:Param  %sで正しくない値 : %d が指定されました。\n\t\t->%sの範囲で許されます";
inline constexpr char kScaleModeSubject[] = "wScale のモード";
inline constexpr char kScaleModeRange[] = "0(解除) 1(全体に引き伸ばし) 2(縦横比を保つ) 3(整数倍)";
inline constexpr char kScaleWidthSubject[] = "wScale の幅";
inline constexpr char kScaleHeightSubject[] = "wScale の高さ";
inline constexpr char kScaleSizeRange[] = "1～4096";
inline constexpr char kScaleOffSizeRange[] = "0(モード 0 の解除のとき)";
inline constexpr char kFullScreenSubject[] = "wFullScreen の値";
inline constexpr char kFullScreenRange[] = "0(ウインドウ) 1(全画面)";
inline constexpr char kScaleOnStep[] = "バックバッファの大きさを固定し、クライアント領域に拡大して表示します";
inline constexpr char kScaleOffStep[] = "バックバッファはクライアント領域の大きさに戻ります";
inline constexpr char kScaleWidthLabel[] = "Width";
inline constexpr char kScaleHeightLabel[] = "Height";
inline constexpr char kScaleModeLabel[] = "Mode";
inline constexpr char kBorderlessOnStep[] = "ウインドウを枠なしでモニタ全体に広げます";
inline constexpr char kBorderlessOffStep[] = "ウインドウを全画面の前の状態に戻します";

// ---------------------------------------------------------------- font files
inline constexpr char kSubjectAddFont[] = "フォント追加関数( DAddFont ) ";
inline constexpr char kAddFontTitle[] = "DAddFont フォントファイルを追加";
inline constexpr char kFontFileNotFound[] = "フォントファイルが見つかりません";
inline constexpr char kFontFileRefused[] = "フォントファイルを読み込めませんでした";

// ---------------------------------------------------------------- input
// (texts of KeyHit, KeyReleased, the gamepad members and wAcceptFiles)
inline constexpr char kInputValueError[] =
    "  [ Error ] Typ:Param  %sで正しくない値 : %ld が指定されました。\n\t\t->%sの範囲で許されます";
inline constexpr char kKeyHitSubject[] = "KeyHit のキーコード";
inline constexpr char kKeyReleasedSubject[] = "KeyReleased のキーコード";
inline constexpr char kKeyCodeRange[] = "1～254";
inline constexpr char kPadIndexSubject[] = "ゲームパッドの番号";
inline constexpr char kPadIndexRange[] = "0～3";
inline constexpr char kPadAxisSubject[] = "PadAxis の軸";
inline constexpr char kPadAxisRange[] = "0～5";
inline constexpr char kRumbleSubject[] = "PadRumble のモーター速度";
inline constexpr char kRumbleRange[] = "0.0～1.0";
inline constexpr char kAcceptFilesSubject[] = "wAcceptFiles の値";
inline constexpr char kAcceptFilesRange[] = "0～1";

// ---------------------------------------------------------------- files
inline constexpr char kLogFileName[] = "Log.txt";

}  // namespace velk::texts
