-- probe sequences, one record a line
LOAD DATA
INFILE *
APPEND
INTO TABLE LOAD_SIF_FILE
FIELDS TERMINATED BY ';'
(array_type CHAR(255), probe_set_name CHAR(255), sequence CHAR(8000))
