// Drives one DVB frontend through the kernel's DVBv5 ioctls, without the tuner library, so the
// smoke test shows what the kernel itself does. Built static: the guest has no C library.
//   fe-probe info  FE             name, delivery systems, a second read-write open
//   fe-probe tune  FE KHZ SR      DiSEqC, voltage, tone, one tune, status and stats
//   fe-probe hold  FE SECONDS     keeps the frontend open read-write
#include <errno.h>
#include <fcntl.h>
#include <linux/dvb/frontend.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

static double NowMs(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static int OpenRw(const char* path) {
  int fd = open(path, O_RDWR | O_NONBLOCK);
  if (fd < 0) printf("probe: open %s: %s\n", path, strerror(errno));
  return fd;
}

static int GetProps(int fd, struct dtv_property* p, unsigned n) {
  struct dtv_properties ps = {n, p};
  return ioctl(fd, FE_GET_PROPERTY, &ps);
}

static int SetProps(int fd, struct dtv_property* p, unsigned n) {
  struct dtv_properties ps = {n, p};
  return ioctl(fd, FE_SET_PROPERTY, &ps);
}

static int Info(const char* path) {
  int fd = OpenRw(path);
  if (fd < 0) return 1;
  struct dvb_frontend_info info;
  if (ioctl(fd, FE_GET_INFO, &info) < 0)
    return printf("probe: FE_GET_INFO: %s\n", strerror(errno)), 1;
  printf("probe: name \"%s\"\n", info.name);
  struct dtv_property p = {.cmd = DTV_ENUM_DELSYS};
  if (GetProps(fd, &p, 1) < 0) return printf("probe: DTV_ENUM_DELSYS: %s\n", strerror(errno)), 1;
  printf("probe: delsys");
  for (unsigned i = 0; i < p.u.buffer.len; i++) printf(" %u", p.u.buffer.data[i]);
  printf("\n");
  // Limits are in kHz only once a satellite system is selected.
  struct dtv_property s = {.cmd = DTV_DELIVERY_SYSTEM, .u.data = SYS_DVBS};
  if (SetProps(fd, &s, 1) == 0 && ioctl(fd, FE_GET_INFO, &info) == 0)
    printf("probe: dvbs range %u..%u kHz, symbol rate %u..%u, caps 0x%x\n", info.frequency_min,
           info.frequency_max, info.symbol_rate_min, info.symbol_rate_max, info.caps);
  // The frontend admits one writer: a second read-write open must fail with EBUSY.
  int second = open(path, O_RDWR | O_NONBLOCK);
  printf("probe: second open %s\n", second < 0 ? strerror(errno) : "succeeded");
  if (second >= 0) close(second);
  close(fd);
  return 0;
}

static void PrintStat(const char* what, const struct dtv_property* p) {
  if (p->u.st.len == 0) return (void)printf("probe: %s none\n", what);
  const struct dtv_stats* s = &p->u.st.stat[0];
  if (s->scale == FE_SCALE_DECIBEL)
    printf("probe: %s %.3f dB\n", what, (double)s->svalue / 1000);
  else if (s->scale == FE_SCALE_RELATIVE)
    printf("probe: %s %llu/65535\n", what, (unsigned long long)s->uvalue);
  else if (s->scale == FE_SCALE_COUNTER)
    printf("probe: %s %llu counted\n", what, (unsigned long long)s->uvalue);
  else
    printf("probe: %s not available\n", what);
}

static int Tune(const char* path, unsigned khz, unsigned symbolRate) {
  int fd = OpenRw(path);
  if (fd < 0) return 1;
  // Committed switch, port 1, horizontal, low band: the byte the program sends for DiSEqC=1.
  struct dvb_diseqc_master_cmd cmd = {{0xE0, 0x10, 0x38, 0xF2}, 4};
  int rc = ioctl(fd, FE_SET_VOLTAGE, SEC_VOLTAGE_18);
  printf("probe: voltage %s\n", rc < 0 ? strerror(errno) : "ok");
  rc = ioctl(fd, FE_SET_TONE, SEC_TONE_OFF);
  printf("probe: tone %s\n", rc < 0 ? strerror(errno) : "ok");
  rc = ioctl(fd, FE_DISEQC_SEND_MASTER_CMD, &cmd);
  printf("probe: diseqc %s\n", rc < 0 ? strerror(errno) : "ok");
  rc = ioctl(fd, FE_DISEQC_SEND_BURST, SEC_MINI_A);
  printf("probe: burst %s\n", rc < 0 ? strerror(errno) : "ok");

  struct dtv_property set[] = {
      {.cmd = DTV_CLEAR},
      {.cmd = DTV_DELIVERY_SYSTEM, .u.data = SYS_DVBS},
      {.cmd = DTV_FREQUENCY, .u.data = khz},
      {.cmd = DTV_SYMBOL_RATE, .u.data = symbolRate},
      {.cmd = DTV_MODULATION, .u.data = QPSK},
      {.cmd = DTV_INNER_FEC, .u.data = FEC_AUTO},
      {.cmd = DTV_INVERSION, .u.data = INVERSION_AUTO},
      {.cmd = DTV_TUNE},
  };
  double start = NowMs();
  if (SetProps(fd, set, sizeof set / sizeof set[0]) < 0)
    return printf("probe: tune %u: %s\n", khz, strerror(errno)), 1;
  double returned = NowMs();
  // The tune is done by the frontend thread; until then the status reads 0.
  fe_status_t status = 0;
  while (NowMs() - start < 3000) {
    if (ioctl(fd, FE_READ_STATUS, &status) < 0)
      return printf("probe: FE_READ_STATUS: %s\n", strerror(errno)), 1;
    if (status & FE_HAS_LOCK) break;
    usleep(5000);
  }
  double done = NowMs();
  printf("probe: tune %u kHz returned after %.1f ms, status 0x%02x%s after %.1f ms\n", khz,
         returned - start, status, status & FE_HAS_LOCK ? " LOCK" : "", done - start);
  struct dtv_property get[] = {
      {.cmd = DTV_FREQUENCY},       {.cmd = DTV_SYMBOL_RATE},
      {.cmd = DTV_DELIVERY_SYSTEM}, {.cmd = DTV_STAT_SIGNAL_STRENGTH},
      {.cmd = DTV_STAT_CNR},
  };
  if (GetProps(fd, get, 5) < 0) return printf("probe: FE_GET_PROPERTY: %s\n", strerror(errno)), 1;
  printf("probe: reports %u kHz, %u S/s, delsys %u\n", get[0].u.data, get[1].u.data, get[2].u.data);
  PrintStat("strength", &get[3]);
  PrintStat("cnr", &get[4]);
  close(fd);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && !strcmp(argv[1], "info")) return Info(argv[2]);
  if (argc == 5 && !strcmp(argv[1], "tune"))
    return Tune(argv[2], strtoul(argv[3], 0, 10), strtoul(argv[4], 0, 10));
  if (argc == 4 && !strcmp(argv[1], "hold")) {
    int fd = OpenRw(argv[2]);
    if (fd < 0) return 1;
    printf("probe: holding %s\n", argv[2]);
    fflush(stdout);
    sleep(atoi(argv[3]));
    return 0;
  }
  fprintf(stderr, "usage: fe-probe info FE | tune FE KHZ SYMBOLRATE | hold FE SECONDS\n");
  return 2;
}
