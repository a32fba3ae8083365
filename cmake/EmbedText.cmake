# Writes the text file IN into OUT as the C string NAME.
file(READ ${IN} text)
file(WRITE ${OUT} "extern const char ${NAME}[];\nconst char ${NAME}[] = R\"glyphtext(${text})glyphtext\";\n")
