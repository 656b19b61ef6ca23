/* Float arguments and returns that are expressions, and float structure members and array
   elements inside expressions. */
#include "target.h"

struct pair { double m; u8 k; };
/* st is a result where it is changed; the groups that only read it keep it out of the results */
#if PART(3)
struct pair st = {2.5, 1};
#else
static struct pair st = {2.5, 1};
#endif
double arr[2] = {2.0, -3.0};
u8 j = 1;
#if PART(1) || PART(3)
double a = 1.5;
#endif
#if PART(1)
double b = -2.25;
double r_call;
static double madd(double x, double y) { return x * y + st.m; }
#endif
#if PART(2)
double r_elem;
#endif

int main(void)
{
#if PART(1)
    r_call = madd(a + b, arr[j] * 2.0);
#endif
#if PART(2)
    r_elem = st.m * arr[j] + arr[0];
#endif
#if PART(3)
    st.m += arr[j] - a;
#endif
    STOP();
}
