/* The library for hosts in any language: run the map and profile commands
 * on a project in batch, as `strataplot COMMAND --batch` does, from C or
 * anything that calls C (Python's ctypes, ...). Link with
 * `pkg-config --libs strataplot` (libstrataplot-host.so.1).
 *
 * Texts: every string in and out is UTF-8, NUL-terminated; the library's own
 * code page stays inside. No pointer returned by the API needs freeing.
 *
 * Order: strataplot_open a build, strataplot_set_project, any number of
 * strataplot_set_answer, then strataplot_run as often as wanted, and
 * strataplot_close. Callbacks may be set or removed at any time but during a
 * run.
 *
 * Threads: one run at a time in the whole process, whatever the build or the
 * session (a second strataplot_run meanwhile returns 2 at once, "busy"). A
 * session is used by one thread at a time; strataplot_cancel alone may be
 * called from any thread, and it is the only call allowed inside a callback.
 * Callbacks come on the thread that called strataplot_run, during the run.
 *
 * Process: while a command runs the working directory of the whole process
 * is the project directory (the library reads gasr.out and the saturation
 * files from there); it is put back when the run returns. During a run the
 * library writes nothing to standard output or standard error (its messages go
 * to the message callback) and installs no signal handlers.
 */
#ifndef STRATAPLOT_STRATAPLOT_H
#define STRATAPLOT_STRATAPLOT_H

#ifdef __cplusplus
extern "C" {
#endif

/* A loaded build of the library with a project, answers and callbacks. */
typedef struct strataplot_session strataplot_session;

/* Loads a build of the library: "shared" (or NULL), "static", or the path
 * of a build. The two builds are found beside libstrataplot-host.so.1 (build
 * tree) or in its strataplot/ folder (installed). Sessions of one build share
 * its state (the horizon that saturation mode 2 chose, ...) until the last one
 * is closed. Returns NULL on failure (not loadable, not a build of the
 * library), with the reason in strataplot_last_error(). */
strataplot_session* strataplot_open(const char* build);

/* Why the last call of this thread that failed did: a message in UTF-8,
 * valid until this thread's next call; "" when none failed. */
const char* strataplot_last_error(void);

/* The project: its directory (absolute, or relative to the working directory
 * at this call) and its name (what the library's GetProjName returns: at
 * most 19 bytes in the library's code page). Returns 0, or -1 for a directory
 * that does not exist, a name that is empty, too long or does not convert. */
int strataplot_set_project(strataplot_session* session, const char* directory, const char* name);

/* One answer to the library's questions, as the host program's option of
 * that name takes it: interval ("12,default,cancel", the last repeats),
 * overwrite ("yes,no"), deep ("yes" or "no"), kind ("sg" ... "ag" or
 * "cancel"), horizon (a name or "cancel"), mode (a whole number, handed to
 * saturation). Unset answers are the host program's defaults. Returns 0, or
 * -1 for an unknown option or a value the host program would refuse (the
 * answer then stays as it was). */
int strataplot_set_answer(strataplot_session* session, const char* option, const char* value);

/* Receives each line the host program would print on standard error in a
 * batch run: the text of every message box with an OK button
 * ("strataplot: TEXT", the box's line breaks as blanks), the answers that
 * could not be applied and the temporary files of killed runs removed. The
 * text is borrowed for the call. NULL removes the callback. */
void strataplot_on_message(strataplot_session* session, void (*fn)(const char* text, void* user),
                           void* user);

/* Receives the absolute path of each file the run wrote whole (a map or a
 * profile, once its last byte is stored under its name). NULL removes it. */
void strataplot_on_file(strataplot_session* session, void (*fn)(const char* path, void* user),
                        void* user);

/* Runs one command in batch: "oil-expulsion", "oil-unexpelled",
 * "oil-generation", "gas" or "saturation". Every answer list starts afresh.
 * "history" runs `strataplot history` with its defaults (into the project
 * directory, the reference system of PROJECT.prj there if any); it takes no
 * answers, reports its files once all are written, and needs the grid and
 * render modules of the host program's package (2 without them).
 * Returns the host program's exit status: 0 when the export wrote everything,
 * 3 when it ended early at an answer (a map not replaced, the deep-layer pass
 * declined), 1 when it failed or was cancelled, 2 when it could not run (no
 * such command, no project, the project directory gone, another run in
 * progress: "busy"), with the reason in strataplot_last_error(). */
int strataplot_run(strataplot_session* session, const char* command);

/* Ends the run in progress as soon as the library next reads, shows
 * progress or asks (the map being written is left out, the maps finished
 * before stay), which then returns 1. From any thread, also inside a
 * callback; nothing when no run is in progress. */
void strataplot_cancel(strataplot_session* session);

/* Unloads the build (when no other session holds it) and frees the session.
 * Not during its run. NULL is ignored. */
void strataplot_close(strataplot_session* session);

#ifdef __cplusplus
}
#endif

#endif
