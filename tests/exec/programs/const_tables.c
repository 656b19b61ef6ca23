/* Tables in program memory as firmware keeps them: a table of structures with string
   members searched by key, strings copied and measured through pointers stepped after use,
   element addresses stored, returned and compared. */
#include "target.h"

struct ent { u8 id; i16 val; const char *name; };
static const struct ent ents[3] = { {1, -5, "one"}, {2, 300, "two"}, {0x80, 32767, "three"} };
static const u8 bytes[5] = {0, 0x7F, 0x80, 0xFF, 9};
static u8 buf[7];
static u8 idx = 2;
static const char *names[2] = {"ab", "xyz"};
u8 r[9];
i16 w[4];

static u8 slen(const char *s) { u8 n = 0; while (*s++) n++; return n; }
static void scopy(u8 *d, const char *s) { while ((*d++ = *s++) != 0) ; }
static const struct ent *find(u8 id)
{
    u8 i;
    for (i = 0; i < 3; i++) if (ents[i].id == id) return &ents[i];
    return 0;
}
static const u8 *last_byte(void) { return &bytes[idx + 2]; }

int main(void)
{
    const struct ent *e = find(2);
    const u8 *p = &bytes[idx];
    const u8 *q;
    r[0] = slen(ents[idx].name);
    r[1] = e ? e->id : 99;
    w[0] = e->val;
    w[1] = ents[idx].val;
    scopy(buf, ents[idx].name);
    r[2] = buf[0];
    r[3] = buf[4];
    r[4] = find(9) == 0;
    r[5] = (u8)"hello"[idx];
    w[2] = e[-1].val;
    w[3] = find(0x80)->val;
    r[6] = *p++;
    r[6] += *p--;
    q = last_byte();
    r[7] = (u8)(*q + *p + (q - p) + ents[idx].name[1]);
    r[8] = (u8)(names[idx - 1][2] + names[0][1]);
    STOP();
    return 0;
}
