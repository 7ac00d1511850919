/* A host in C: runs one command of the library on a project through the C
 * API and prints every message and every file written.
 *
 *   c_host BUILD DIRECTORY PROJECT COMMAND [OPTION=VALUE]...
 *   c_host shared ./sample demo oil-expulsion deep=yes interval=12,default
 *
 * Build it with: cc c_host.c $(pkg-config --cflags --libs strataplot)
 * Its exit status is the run's (0, 1, 2, 3), as `strataplot --batch` gives. */
#include <stdio.h>
#include <strataplot/strataplot.h>
#include <string.h>

/* Callbacks come on the thread that called strataplot_run, during the run. */
static void print_message(const char* text, void* user) {
  (void)user;
  printf("message: %s\n", text);
}

static void print_file(const char* path, void* user) {
  int* count = user;
  ++*count;
  printf("written: %s\n", path);
}

int main(int argc, char** argv) {
  if (argc < 5) {
    fprintf(stderr, "usage: c_host BUILD DIRECTORY PROJECT COMMAND [OPTION=VALUE]...\n");
    return 2;
  }
  /* 1. Load a build: "shared", "static" or a path. */
  strataplot_session* session = strataplot_open(argv[1]);
  if (session == NULL) {
    fprintf(stderr, "c_host: %s\n", strataplot_last_error());
    return 2;
  }
  /* 2. The project: its directory and its name. */
  if (strataplot_set_project(session, argv[2], argv[3]) != 0) {
    fprintf(stderr, "c_host: %s\n", strataplot_last_error());
    strataplot_close(session);
    return 2;
  }
  /* 3. The answers to the library's questions, as the host program's options. */
  for (int i = 5; i < argc; ++i) {
    char option[32];
    const char* equals = strchr(argv[i], '=');
    size_t length = equals != NULL ? (size_t)(equals - argv[i]) : 0;
    if (equals == NULL || length >= sizeof option) {
      fprintf(stderr, "c_host: not OPTION=VALUE: %s\n", argv[i]);
      strataplot_close(session);
      return 2;
    }
    memcpy(option, argv[i], length);
    option[length] = '\0';
    if (strataplot_set_answer(session, option, equals + 1) != 0) {
      fprintf(stderr, "c_host: %s\n", strataplot_last_error());
      strataplot_close(session);
      return 2;
    }
  }
  /* 4. The callbacks, then the run. */
  int files = 0;
  strataplot_on_message(session, print_message, NULL);
  strataplot_on_file(session, print_file, &files);
  int status = strataplot_run(session, argv[4]);
  if (status == 2) fprintf(stderr, "c_host: %s\n", strataplot_last_error());
  printf("status %d, %d files\n", status, files);
  /* 5. Unload the build. */
  strataplot_close(session);
  return status;
}
