-- assay protocol steps, one record a line
LOAD DATA
INFILE *
APPEND
INTO TABLE LOAD_PROTOCOL_FILE
FIELDS TERMINATED BY ';'
(assay_name CHAR(255), protocol_name CHAR(255), step_number, step_text CHAR(1024))
