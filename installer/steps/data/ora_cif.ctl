-- analysis parameters and controls, one record a line
LOAD DATA
INFILE *
APPEND
INTO TABLE LOAD_CIF_FILE
FIELDS TERMINATED BY ';'
TRAILING NULLCOLS
(assay_type CHAR(255), array_type CHAR(255), part_number, label CHAR(255), param_name CHAR(255),
 param_value CHAR(2000), param_type, kind, param_group)
