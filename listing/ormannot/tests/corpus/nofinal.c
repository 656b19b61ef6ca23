first
	second
third	no newline