-- gene information descriptions, tab-separated, one record a line
LOAD DATA
INFILE *
APPEND
INTO TABLE LOAD_GIN_DES
FIELDS TERMINATED BY X'09'
TRAILING NULLCOLS
(array_type CHAR(255), probe_index, identifier CHAR(255), identifier_source CHAR(255),
 probe_set_name CHAR(255), description CHAR(2000), group_name CHAR(255), sequence_type,
 class_title CHAR(255), class_value CHAR(2000))
