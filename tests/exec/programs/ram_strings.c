/* String literals given to plain pointers (char *, void *), which reach only RAM: each such
   literal has a copy in RAM, initialised at start-up, and the pointer holds the copy's address.
   The pointers are read, walked, compared and written through; the literals come by assignment,
   in initialisers of automatic and static pointers, arrays of pointers and structure members,
   as arguments and results, chosen by ?:, as &"X"[0] and with an offset added.
   The copies all live in bank 0, which the literals of every group together overflow on each
   chip: the groups run one at a time. */
#include "target.h"

/* Writing through a string literal's pointer is what the RAM copy allows here; the host keeps
   literals in read-only memory, so there the pointer takes an array with the same bytes. */
#ifdef __ORMC__
#define WRITABLE(name, text) char *name = text
#else
#define WRITABLE(name, text) static char name##_bytes[] = text; char *name = name##_bytes
#endif

u8 one = 1;

#if PART(1)
u8 r_walk[2];
u8 r_sum;
u8 r_cmp;

/* The length of s, adding its bytes to r_sum. */
static u8 walk(char *s)
{
    u8 n = 0;
    while (*s) {
        r_sum = (u8)(r_sum + (u8)*s);
        s++;
        n++;
    }
    return n;
}

static void assigned(void)
{
    char *b = "abc";
    char *c;
    c = "bc";
    r_walk[0] = walk(b);
    r_walk[1] = walk(c);
    if (b[0] == 'a' && b[2] == 'c' && b[3] == 0)
        r_cmp |= 1;
    if (b != c && c != 0)
        r_cmp |= 2;
    if (b + 1 > b && c[0] == b[1])
        r_cmp |= 4;
    c = b + 0;
    if (c == b)
        r_cmp |= 8;
    c = b + 2;
    if (c - b == 2 && *c == 'c')
        r_cmp |= 16;
}
#endif

#if PART(2)
u8 r_write[4];

static void written(void)
{
    WRITABLE(w, "mute");
    const char *k = "mute";
    u8 i;
    w[0] = 'M';
    *(w + 3) = 'E';
    for (i = 1; i < 3; i++)
        w[i] = (char)(w[i] - 32);
    r_write[0] = (u8)w[0];
    r_write[1] = (u8)(w[2] + w[3]);
    r_write[2] = (u8)k[0];       /* the literal in program memory stays as it was */
    /* enough text in program memory for the default options to pack the strings there */
    r_write[3] = (u8)"a longer text, read where it is: in program memory, two characters a word"[70];
}
#endif

#if PART(3)
char *s_one = "on";
char *s_tail = "xyz" + 1;
void *s_x[] = {(void *)&("X"[0])};
u8 r_static[3];

static void statics(void)
{
    r_static[0] = (u8)(s_one[1] + s_one[2]);
    r_static[1] = (u8)(s_tail[0] + s_tail[1]);
    r_static[2] = (u8)((char *)s_x[0])[0];
}
#endif

#if PART(4)
char *s_names[3] = {"a", "cd"};
struct named { char *name; u8 v; } s_rec = {"re", 7};
u8 r_table[3];

static void tables(void)
{
    static char *local = "st";
    r_table[0] = (u8)(s_names[1][1] + s_names[0][1] + (s_names[2] == 0));
    r_table[1] = (u8)(s_rec.name[1] + s_rec.v);
    r_table[2] = (u8)local[1];
}
#endif

#if PART(5)
u8 r_args[3];

static u8 second(char *s) { return (u8)s[1]; }
static u8 first_of(void *p) { return *(u8 *)p; }
static u8 old_style(s, k)
    char *s;
    u8 k;
{
    return (u8)s[k];
}

static void arguments(void)
{
    r_args[0] = second("xy");
    r_args[1] = first_of("v");
    r_args[2] = old_style("kl", 1);
}
#endif

#if PART(6)
u8 r_chosen[2];

static char *choose(u8 f) { return f ? "ye" : "no"; }
static char *empty(void) { return ""; }

static void chosen(u8 flag)
{
    r_chosen[0] = (u8)(choose(flag)[0] + choose(!flag)[1]);
    r_chosen[1] = (u8)(*empty() + 1);
}
#endif

#if PART(7)
u8 r_offset[2];

static char *skip_one(u8 f) { return 1 + (f ? "\0n" : "\0y"); }
static char *either(u8 f) { return f ? (char *)0 : "ab"; }

static void offsets(u8 flag)
{
    r_offset[0] = (u8)(skip_one(flag)[0] + skip_one(!flag)[0]);
    r_offset[1] = (u8)(either(!flag)[1] + (either(flag) == 0));
}
#endif

#if PART(8)
u8 r_list[2];

static void lists(void)
{
    char *list[3] = {"p", "qr"};
    char *open[] = {"a", "b", ""};
    r_list[0] = (u8)(list[1][1] + (list[2] == 0) + list[0][0]);
    r_list[1] = (u8)(open[2][0] + open[1][0] + sizeof open / sizeof open[0]);
}
#endif

#if PART(9)
u8 r_member[2];
struct member { char *name; u8 v; };

static void members(u8 flag)
{
    struct member m;
    char *p = "abc" + flag;
    m.name = "me";
    m.v = 1;
    r_member[0] = (u8)(m.name[m.v] + p[1]);
    p = &"ij"[flag];
    r_member[1] = (u8)(p[0] + p[-1]);
}
#endif

int main(void)
{
#if PART(1)
    assigned();
#endif
#if PART(2)
    written();
#endif
#if PART(3)
    statics();
#endif
#if PART(4)
    tables();
#endif
#if PART(5)
    arguments();
#endif
#if PART(6)
    chosen(one);
#endif
#if PART(7)
    offsets(one);
#endif
#if PART(8)
    lists();
#endif
#if PART(9)
    members(one);
#endif
    STOP();
    return 0;
}
