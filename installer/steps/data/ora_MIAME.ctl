-- template attributes, one record a line
LOAD DATA
INFILE *
APPEND
INTO TABLE LOAD_MIAME_FILE
FIELDS TERMINATED BY ';'
(template_name CHAR(255), attribute_name CHAR(255), attribute_type, default_value CHAR(1024))
