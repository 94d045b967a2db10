# Writes INPUT as a C++ raw string literal into OUTPUT, for a file a program must hold even when
# the copy beside it is missing.
file(READ ${INPUT} text)
file(WRITE ${OUTPUT} "R\"embedded(${text})embedded\"\n")
