/* IxStdF: the installer's library of installation operations.
 *
 * Every operation is a plain C function, so a program may link the library
 * or dlopen libixstdf32.so and look the operations up by name. Strings are
 * zero-terminated UTF-8. A text result points into a buffer the library
 * owns, one per operation, valid until the next call of the same operation;
 * never free it. Operations that report success or failure return 0 or
 * IXSTDF_FAILURE and leave a number and text for GibLetzteFehlerNr and
 * GibLetztenFehlerText. The library is single-threaded.
 */
#ifndef INSTARI_IXSTDF32_IXSTDF_H
#define INSTARI_IXSTDF32_IXSTDF_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define IXSTDF_API __attribute__((visibility("default")))

/* The failure number every failing operation stores (decimal -536870911). */
#define IXSTDF_FAILURE ((int)0xE0000001u)

/* Registry roots are the predefined key handles with their usual values. */
/* Its own tag, so that it never meets another declaration of HKEY__. */
typedef struct IxStdFKey__* HKEY;
#ifdef __cplusplus
inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<intptr_t>(INT32_MIN));
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<intptr_t>(INT32_MIN + 1));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<intptr_t>(INT32_MIN + 2));
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(static_cast<intptr_t>(INT32_MIN + 3));
inline const HKEY HKEY_CURRENT_CONFIG =
    reinterpret_cast<HKEY>(static_cast<intptr_t>(INT32_MIN + 5));
#else
#ifndef HKEY_CLASSES_ROOT
#define HKEY_CLASSES_ROOT ((HKEY)(intptr_t)(int32_t)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(intptr_t)(int32_t)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(intptr_t)(int32_t)0x80000002u)
#define HKEY_USERS ((HKEY)(intptr_t)(int32_t)0x80000003u)
#define HKEY_CURRENT_CONFIG ((HKEY)(intptr_t)(int32_t)0x80000005u)
#endif
#endif

/* Message boxes of the library (text, caption, OK button) go to a function
 * the host installs; the default writes one line to stderr. Null restores
 * the default. */
typedef void (*IxStdFMessageBox)(const char* text, const char* caption, void* context);
IXSTDF_API void IxStdFSetMessageBox(IxStdFMessageBox show, void* context);

/* --- error state ------------------------------------------------------- */
IXSTDF_API int SetzeLetzteFehlerNr(int number, const char* text);
IXSTDF_API int GibLetzteFehlerNr(void);
IXSTDF_API char* GibLetztenFehlerText(void);
IXSTDF_API int TesteDll(const char* text);
IXSTDF_API char* GetDllName(void);
IXSTDF_API char* GetDllVersion(void);

/* --- registry ---------------------------------------------------------- */
IXSTDF_API int DeleteRegistryKey(HKEY root, const char* keyPath, const char* subKey);
IXSTDF_API int SetRegistry(HKEY root, const char* keyPath, const char* valueName, const char* text);
IXSTDF_API char* GetRegistry(HKEY root, const char* keyPath, const char* valueName);
IXSTDF_API int QueryRegistry(HKEY root, const char* search, const char* replacement);

/* --- special folders and shell links ----------------------------------- */
/* 1 desktop, 2 programs, 3 start menu, 4 start-up; 11..14 the same for all
 * users. */
IXSTDF_API char* GetFolderPath(int folder);
IXSTDF_API int ErzeugeLinkDatei(const char* target, const char* linkFile, const char* description,
                                const char* arguments, const char* iconFile, int iconIndex,
                                const char* workingDirectory, int minimized);
/* target, arguments and workingDirectory are caller buffers of at least
 * 260 bytes. */
IXSTDF_API int GetLinkInfo(const char* linkFile, char* target, char* arguments,
                           char* workingDirectory, int* showCommand);

/* --- program groups, start-up items, deferred copy --------------------- */
/* groupCode: optional "-" (remove), then \DT\ \SM\ \SG\ \PM\ \PG\ \PS\ or
 * a common form \CDT\ ... \CPS\, then the group name where the code takes
 * one. The alias \XS\ is rewritten in groupCode, and '/' and '\' in itemName
 * become '_': both strings are changed in place. */
IXSTDF_API int CreateStartItem(char* groupCode, char* itemName, const char* target,
                               const char* arguments, const char* workingDirectory,
                               const char* iconFile, int iconIndex, int minimized);
/* Group names separated by CR LF, or null. */
IXSTDF_API char* GetProgrammGruppen(void);
IXSTDF_API char* GetStartupGroup(void);
/* 0, 1 or 2: in how many program folders the group was not found. */
IXSTDF_API int StartGroup(const char* groupName);
/* Replaces destination by source at the next start; destination "NUL"
 * deletes source then. Both names are taken as they mean now (current
 * folder, drive mapping), and a trigger makes the next start carry the queue
 * out. 1 on success, 0 on failure. */
IXSTDF_API int CopyByStartup(const char* source, const char* destination);
/* Carries out, in order, what CopyByStartup queued (both ways); what could
 * not be done stays queued with its reason in instari.err, and so does what
 * touches its names. The trigger goes once nothing is left. Returns how many
 * entries stay (0: all done). */
IXSTDF_API int ApplyPendingRenames(void);

/* --- file dates and copying -------------------------------------------- */
/* 0 target up to date, 1 differ (copy), -1 source missing, -2 target
 * missing. */
IXSTDF_API int TesteFileDatum(const char* source, const char* target);
IXSTDF_API int TesteFileDatumUSize(const char* source, const char* target);
IXSTDF_API int TesteFileDatumLOSize(const char* source, const char* target);
IXSTDF_API int TesteFileDatumOSize(const char* source, const char* target);
IXSTDF_API int SetzeFileDatum(const char* source, const char* target);
/* which: 1 creation, 2 last access, 3 last write. "YYYYMMDDhhmmss" in local
 * time, or "0". */
IXSTDF_API char* GetFileDatum(const char* file, int which);
/* Bytes written (at least 1); -2 target up to date; -1 source missing; 0
 * failure. LZ-compressed sources are expanded. */
IXSTDF_API int IxCopyFile(const char* source, const char* target);
/* Copies into targetDirectory under the name stored in a compressed
 * source. 1 copied; -2 up to date; -1 source missing; 0 failure. */
IXSTDF_API int IxCopyFileNoName(const char* source, const char* targetDirectory);

/* --- system information ------------------------------------------------ */
IXSTDF_API char* GetBsBuild(void);
IXSTDF_API char* GetCpuType(void);
IXSTDF_API char* GetCpuModel(void);
IXSTDF_API char* GetWindowsVersion(void);
IXSTDF_API int IsWin95(void);
IXSTDF_API int IsWinNT(void);
IXSTDF_API int IsWinFW(void);
IXSTDF_API int IsWin3(void);
IXSTDF_API int IsWin4(void);
IXSTDF_API char* GetHostname(void);
IXSTDF_API char* GetIpAdresse(void);
IXSTDF_API char* GetNetzadapter(void);

#ifdef __cplusplus
}
#endif

#endif
