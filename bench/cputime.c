/* Runs a command and writes its wall time and its CPU time (user + system,
 * from wait4's resource usage, to the microsecond) in seconds to a file:
 *
 *   cputime TIMEFILE COMMAND [ARGUMENT...]
 *
 * The command inherits standard input, output and error. The exit status is
 * the command's. /usr/bin/time reports only hundredths of a second, too
 * coarse for the C programs of the benchmark.
 */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double seconds(struct timeval t) { return (double)t.tv_sec + (double)t.tv_usec / 1e6; }

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: cputime TIMEFILE COMMAND [ARGUMENT...]\n");
    return 2;
  }
  struct timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t child = fork();
  if (child < 0) {
    perror("cputime: fork");
    return 2;
  }
  if (child == 0) {
    execvp(argv[2], argv + 2);
    perror(argv[2]);
    _exit(127);
  }
  int status = 0;
  struct rusage usage;
  if (wait4(child, &status, 0, &usage) < 0) {
    perror("cputime: wait4");
    return 2;
  }
  clock_gettime(CLOCK_MONOTONIC, &end);
  double wall = (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9;
  double cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  FILE *out = fopen(argv[1], "w");
  if (!out) {
    perror(argv[1]);
    return 2;
  }
  fprintf(out, "%.6f %.6f\n", wall, cpu);
  fclose(out);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
