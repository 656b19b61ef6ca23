/* Two-dimensional arrays indexed by variables: global ones written and read in loops, a local
   one read through a parameter `int a[][2]` and through a pointer to one of its rows; local
   arrays sized by their initialisers. */
#include "target.h"

#if PART(1)
i16 r_w[4];
static i16 w[2][2];
#endif
#if PART(2)
u8 r_b[6];
static u8 b[3][2];
#endif
#if PART(3)
i16 r_sum[2];

static i16 rows_sum(i16 a[][2], u8 n)
{
    u8 j;
    i16 s = 0;
    for (j = 0; j != n; j++)
        s += a[j][0] + a[j][1];
    return s;
}

static i16 row_first(i16 *row) { return row[0]; }
#endif
#if PART(4)
i16 r_init[3];

struct one { i16 v; };

static struct one pick(u8 k)
{
    struct one h[] = { {10}, {20}, {30}, {40}, {50}, {60} };
    return h[k];
}
#endif
#if PART(5)
u8 r_open[4];
#endif

int main(void)
{
    u8 i, j, k;
#if PART(1)
    for (i = 0; i != 2; i++)
        for (j = 0; j != 2; j++)
            if (i == j)
                w[i][j] = (i16)(i + 1);
    r_w[0] = w[0][0];
    r_w[1] = w[0][1];
    r_w[2] = w[1][0];
    r_w[3] = w[1][1];
#endif
#if PART(2)
    for (i = 0; i != 3; i++)
        for (j = 0; j != 2; j++)
            b[i][j] = (u8)(i * 16 + j + 1);
    j = 1;
    k = 2;
    for (i = 0; i != 3; i++) {
        r_b[i] = b[i][j];
        r_b[i + 3] = b[k][0];
        k--;
    }
#endif
#if PART(3)
    {
        i16 mat[2][2];
        mat[0][0] = 1;
        mat[0][1] = 2;
        mat[1][0] = 4;
        mat[1][1] = -8;
        r_sum[0] = rows_sum(mat, 2);
        i = 1;
        r_sum[1] = row_first(mat[i]);
    }
#endif
#if PART(4)
    r_init[0] = pick(0).v;
    r_init[1] = pick(5).v;
    i = 4;
    r_init[2] = pick(i).v;
#endif
#if PART(5)
    {
        char name[] = "ab";
        u8 last[] = { 1, 2, 3, 4, 5 };
        i = 4;
        r_open[0] = (u8)name[1];
        r_open[1] = last[4];
        r_open[2] = last[i - 3];
        r_open[3] = (u8)(sizeof name + sizeof last);
    }
#endif
    (void)i, (void)j, (void)k;
    STOP();
    return 0;
}
