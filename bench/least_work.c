/* The least work: a benchmark baseline, not a compiler; bench/pair.py pairs it with qoral.
   It turns the restricted song form that pair.py writes (".tempo", ".track N macro:tN ch:C",
   "tN(1) = l8 o4 c d ..." lines of notes, octaves and lengths) into the same SMF bytes qoral
   writes, with the least work: one read, one pass, direct byte emission, one write. */
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <sys/mman.h>
#include <sys/uio.h>

#define DIV 960
#define MAXT 17
typedef struct { uint8_t *b; size_t n, cap; uint32_t clock, last; int oct, len, ch; uint8_t running; } Trk;
static Trk trk[MAXT];

static inline void reserve(Trk *t, size_t more) {
    if (t->n + more > t->cap) { t->cap = (t->cap ? t->cap * 2 : 1 << 16) + more; t->b = realloc(t->b, t->cap); }
}
static inline void vlq(Trk *t, uint32_t v) {
    uint8_t g[5]; int k = 0; g[k++] = v & 0x7f;
    while (v >>= 7) g[k++] = (v & 0x7f) | 0x80;
    while (k) t->b[t->n++] = g[--k];
}
static inline void ev(Trk *t, uint32_t at, uint8_t st, uint8_t d1, uint8_t d2) {
    reserve(t, 8); vlq(t, at - t->last); t->last = at;
    if (st != t->running) t->b[t->n++] = st;
    t->running = st; t->b[t->n++] = d1; t->b[t->n++] = d2;
}
static void put32(uint8_t *p, uint32_t v) { p[0] = v >> 24; p[1] = v >> 16; p[2] = v >> 8; p[3] = v; }

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    int fd = open(argv[1], O_RDONLY); struct stat st; fstat(fd, &st);
    size_t got = st.st_size;
    char *src = got ? mmap(0, got, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0) : "";
    close(fd);
    static const int semi[7] = {9, 11, 0, 2, 4, 5, 7};
    int ntracks = 0; uint32_t maxClock = 0;
    for (int i = 0; i < MAXT; i++) { trk[i].oct = 4; trk[i].len = DIV; trk[i].ch = 0; }
    for (const char *p = src, *e = src + got; p < e;) {
        const char *nl = memchr(p, '\n', e - p); if (!nl) nl = e;
        if (*p == '.') {                      /* ".track N macro:tN ch:C" */
            if (!strncmp(p, ".track", 6)) { int n = atoi(p + 7); const char *c = strstr(p, "ch:"); trk[n].ch = c ? atoi(c + 3) - 1 : 0; if (n + 1 > ntracks) ntracks = n + 1; }
        } else if (*p == 't') {               /* "tN(1) = commands" */
            int n = 0; const char *q = p + 1; while (*q >= '0' && *q <= '9') n = n * 10 + *q++ - '0';
            Trk *t = &trk[n]; q = (const char *)memchr(q, '=', nl - q) + 1;
            while (q < nl) {
                char c = *q++;
                if (c == ' ') continue;
                if (c == 'o') { t->oct = *q++ - '0'; continue; }
                if (c == 'l') { int v = 0; while (*q >= '0' && *q <= '9') v = v * 10 + *q++ - '0'; t->len = 4 * DIV / v; continue; }
                int note = semi[c - 'a'] + 12 * (t->oct + 1);
                if (*q == '+') { note++; q++; } else if (*q == '-') { note--; q++; }
                uint8_t s = 0x90 | t->ch;
                ev(t, t->clock, s, note, 127);
                ev(t, t->clock + t->len - 1, s, note, 0);   /* gate = step - 1, off as velocity 0 */
                t->clock += t->len;
                if (t->clock - 1 > maxClock) maxClock = t->clock - 1;
            }
        }
        p = nl + 1;
    }
    /* qoral steps whole measures while the clock is below maxClock + 1; the end is one clock before */
    uint32_t meas = 4 * DIV, end;
    end = meas; while (end < maxClock + 1) end += meas; end -= 1;
    Trk *c = &trk[0];
    char ver[96], when[64]; time_t now = time(0); struct tm lt; localtime_r(&now, &lt);
    snprintf(when, sizeof when, "%4d/%02d/%02d %02d:%02d:%02d", lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min, lt.tm_sec);
    int vl = snprintf(ver, sizeof ver, "Sorvane Compiler ver.3.02a #01 : %s", when);
    reserve(c, 256); c->b[c->n++] = 0; c->b[c->n++] = 0xff; c->b[c->n++] = 1; vlq(c, vl); memcpy(c->b + c->n, ver, vl); c->n += vl;
    static const uint8_t head[] = {0, 0xff, 0x51, 3, 0x07, 0xa1, 0x20, 0, 0xff, 0x58, 4, 4, 2, 24, 8};
    memcpy(c->b + c->n, head, sizeof head); c->n += sizeof head;
    size_t total = 14;
    for (int i = 0; i < ntracks; i++) {
        Trk *t = &trk[i]; reserve(t, 16); vlq(t, end - t->last); t->b[t->n++] = 0xff; t->b[t->n++] = 0x2f; t->b[t->n++] = 0;
        total += 8 + t->n;
    }
    static uint8_t hdr[MAXT][8], mthd[14];
    struct iovec iov[1 + 2 * MAXT]; int k = 0;
    memcpy(mthd, "MThd\0\0\0\6\0\1", 10); mthd[10] = ntracks >> 8; mthd[11] = ntracks; mthd[12] = DIV >> 8; mthd[13] = DIV & 255;
    iov[k++] = (struct iovec){mthd, 14};
    for (int i = 0; i < ntracks; i++) { memcpy(hdr[i], "MTrk", 4); put32(hdr[i] + 4, trk[i].n); iov[k++] = (struct iovec){hdr[i], 8}; iov[k++] = (struct iovec){trk[i].b, trk[i].n}; }
    int ofd = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (writev(ofd, iov, k) != (ssize_t)total) return 1;
    close(ofd);
    return 0;
}
