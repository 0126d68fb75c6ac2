/* A stand-in for a web browser in the navigate tests.
 *
 * Started without arguments it is the "running browser": it waits until
 * it is stopped. Started with arguments (as navigate's opener) it appends
 * one JSON line to the file named by TAVIK_STANDIN_RECORD:
 *   {"arguments":[...],"streams":[<what fds 0, 1, 2 are>],"cwd":"...","sessionLeader":B,"pid":N}
 * then prints a line to its standard output and its standard error (which
 * must reach neither the tool's answer nor its caller), and exits with TAVIK_STANDIN_STATUS (default 0), or
 * first keeps running for TAVIK_STANDIN_STAY seconds when that is set.
 */
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static void write_json_string(FILE *out, const char *text) {
    fputc('"', out);
    for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
        if (*p == '"' || *p == '\\')
            fprintf(out, "\\%c", *p);
        else if (*p < 0x20)
            fprintf(out, "\\u%04x", *p);
        else
            fputc(*p, out);
    }
    fputc('"', out);
}

int main(int argc, char **argv) {
    if (argc < 2) {
        for (;;) pause();
    }
    const char *record = getenv("TAVIK_STANDIN_RECORD");
    if (record) {
        FILE *out = fopen(record, "a");
        if (out) {
            fputs("{\"arguments\":[", out);
            for (int i = 1; i < argc; i++) {
                if (i > 1) fputc(',', out);
                write_json_string(out, argv[i]);
            }
            fputs("],\"streams\":[", out);
            for (int fd = 0; fd < 3; fd++) {
                char link[32], target[PATH_MAX + 1] = "";
                snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
                ssize_t length = readlink(link, target, PATH_MAX);
                target[length > 0 ? length : 0] = '\0';
                if (fd > 0) fputc(',', out);
                write_json_string(out, target);
            }
            char cwd[PATH_MAX + 1] = "";
            if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
            fputs("],\"cwd\":", out);
            write_json_string(out, cwd);
            fprintf(out, ",\"sessionLeader\":%s,\"pid\":%d}\n", getsid(0) == getpid() ? "true" : "false",
                    (int)getpid());
            fclose(out);
        }
    }
    printf("stand-in browser opening %s\n", argv[1]);
    fflush(stdout);
    fprintf(stderr, "stand-in browser says hello on stderr\n");
    const char *stay = getenv("TAVIK_STANDIN_STAY");
    if (stay) sleep((unsigned)atoi(stay));
    const char *status = getenv("TAVIK_STANDIN_STATUS");
    return status ? atoi(status) : 0;
}
