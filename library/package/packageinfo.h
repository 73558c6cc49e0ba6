#ifndef ZRM_LIBRARY_PACKAGE_PACKAGEINFO_H
#define ZRM_LIBRARY_PACKAGE_PACKAGEINFO_H

/*
 * The interface between the host and a screen package, in plain C so that nothing but these symbols
 * and structures has to agree between the two sides.
 *
 * A screen package is a shared library that the host loads at run time. It exports, with C linkage:
 *
 *   void Initialize(void)
 *       The load entry. The host calls it once, right after loading the library and reading its
 *       package information table, before any screen entry. It runs the initialization of the
 *       package's units in table order (ZrmInitializeUnits does exactly that).
 *
 *   void Finalize(void)
 *       The unload entry. The host calls it once at exit, after it has closed and destroyed every
 *       screen (every sub-window of its MDI area), and unloads the library right after it returns. It
 *       runs the finalization of the units in reverse table order (ZrmFinalizeUnits). When it
 *       returns, no widget, timer or other object whose code lives in the package may remain.
 *
 *   const ZrmPackageInfoTable* GetPackageInfoTable(void)
 *       The package information table: the package's name, its units and its screens. The host reads
 *       it before Initialize, so it must be constant data that needs no initialization; it stays valid
 *       for as long as the library is loaded.
 *
 *   void IniProc(void)   (or whatever name the screen entry of the table gives)
 *       Opens a screen: creates it the first time, and later only brings it to the front, activating
 *       it and restoring it from minimized or maximized. The screen opens as a sub-window of the
 *       QMdiArea that is the central widget of the first top-level QMainWindow having one; where there
 *       is none, as a top-level window. The host calls it from its "Telas" menu and for --open.
 *
 * Failures: the host and its packages are built by one compiler with one C++ run-time, so an entry
 * may fail by throwing a C++ exception derived from std::exception; the host catches it at the call
 * and shows its what() text (UTF-8) to the user. An exception whose what() is empty is a silent stop:
 * the host shows nothing. An entry must never fail by any other means (no exit, no abort).
 *
 * Threads: every entry is called on the host's user-interface thread.
 *
 * The host refuses a library that lacks Initialize, Finalize or GetPackageInfoTable, whose table
 * carries another ZRM_PACKAGE_ABI_VERSION or no name, that lacks the entry a screen of its table names,
 * or whose package name is already loaded; it then unloads the library without calling Initialize.
 * A package whose Initialize fails is refused too, but stays in memory until the process ends.
 */

/* A C interface: typedefs, (void) parameter lists and C arrays are what a C compiler reads. */
/* NOLINTBEGIN(modernize-use-using,modernize-redundant-void-arg,modernize-avoid-c-arrays) */
#ifdef __cplusplus
extern "C" {
#endif

/* The version of this interface; a package's table must carry exactly this value. */
#define ZRM_PACKAGE_ABI_VERSION 1u

/* Names of the entries the host looks up in every package. */
#define ZRM_PACKAGE_INITIALIZE_ENTRY "Initialize"
#define ZRM_PACKAGE_FINALIZE_ENTRY "Finalize"
#define ZRM_PACKAGE_INFO_TABLE_ENTRY "GetPackageInfoTable"
/* The usual screen entry; the table may name another one per screen. */
#define ZRM_PACKAGE_SCREEN_ENTRY "IniProc"

#if defined(_WIN32)
#define ZRM_PACKAGE_EXPORT __declspec(dllexport)
#else
#define ZRM_PACKAGE_EXPORT __attribute__((visibility("default")))
#endif

/* A procedure without arguments or result: an entry, or a unit's initialization or finalization. */
typedef void (*ZrmProc)(void);

/* Flags of a unit in the package information table; they combine. */
/* The package's own wrapper unit (the one named after the package, such as "Pkg_Zrm71300"). */
#define ZRM_UNIT_PACKAGE 0x01u
/* A unit that holds screens opened through the screen entries of the table. */
#define ZRM_UNIT_SCREENS 0x02u
/* A unit the package's build adds by itself (run-time start-up support such as "SysInit"), written by
   no developer of the package. */
#define ZRM_UNIT_IMPLICIT 0x04u

/* One unit of the package. */
typedef struct ZrmUnitEntry {
    const char* name;       /* unit name, ASCII, never NULL */
    unsigned int flags;     /* ZRM_UNIT_* */
    ZrmProc initialization; /* run by Initialize in table order; NULL when the unit has none */
    ZrmProc finalization;   /* run by Finalize in reverse table order; NULL when the unit has none */
} ZrmUnitEntry;

/* One screen the package offers; the host puts one menu entry per screen. */
typedef struct ZrmScreenEntry {
    const char* code;  /* screen code, ASCII, such as "ZRM71300" */
    const char* title; /* title for the menu, UTF-8, such as "Calendário para Orçamento" */
    const char* entry; /* name of the exported procedure that opens it, such as "IniProc" */
} ZrmScreenEntry;

/* The package information table. */
typedef struct ZrmPackageInfoTable {
    unsigned int abiVersion;       /* ZRM_PACKAGE_ABI_VERSION */
    const char* name;              /* package name, such as "Pkg_Zrm71300"; unique in the host */
    unsigned int unitCount;        /* number of entries in units */
    const ZrmUnitEntry* units;     /* the package's units */
    unsigned int screenCount;      /* number of entries in screens; 0 for a package without screens */
    const ZrmScreenEntry* screens; /* the package's screens */
} ZrmPackageInfoTable;

/* Signatures of the entries, for the host's look-up. */
typedef void (*ZrmInitializeEntry)(void);
typedef void (*ZrmFinalizeEntry)(void);
typedef const ZrmPackageInfoTable* (*ZrmPackageInfoTableEntry)(void);
typedef void (*ZrmScreenOpenEntry)(void);

/* Declarations of the entries a package defines. */
ZRM_PACKAGE_EXPORT void Initialize(void);
ZRM_PACKAGE_EXPORT void Finalize(void);
ZRM_PACKAGE_EXPORT const ZrmPackageInfoTable* GetPackageInfoTable(void);
ZRM_PACKAGE_EXPORT void IniProc(void);

/* Runs the initialization of every unit of table, first to last. A unit's failure passes out
   unchanged and leaves the later units uninitialized. */
static inline void ZrmInitializeUnits(const ZrmPackageInfoTable* table) {
    unsigned int i;
    for (i = 0; i < table->unitCount; ++i) {
        if (table->units[i].initialization) {
            table->units[i].initialization();
        }
    }
}

/* Runs the finalization of every unit of table, last to first. A unit's failure passes out
   unchanged and leaves the earlier units unfinalized. */
static inline void ZrmFinalizeUnits(const ZrmPackageInfoTable* table) {
    unsigned int i;
    for (i = table->unitCount; i > 0; --i) {
        if (table->units[i - 1].finalization) {
            table->units[i - 1].finalization();
        }
    }
}

#ifdef __cplusplus
}
#endif
/* NOLINTEND(modernize-use-using,modernize-redundant-void-arg,modernize-avoid-c-arrays) */

#endif
