/* tabs at every column */
#include <stdio.h>

int	main(void)
{
	int	i;	/* counter */
	for (i = 0; i < 10; i++)
		printf("%d\t%d\n", i,	i * i);
1234567	x
12345678	y
										deep
 	 	 	.
	return 0;
}
